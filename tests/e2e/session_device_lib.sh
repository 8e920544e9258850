# Helpers for the session checks with the virtual recorder as wnaspi32.dll. Sourcing this file
# sources lib.sh and session_lib.sh too; device_check_begin starts such a check.
here_e2e=$(dirname "${BASH_SOURCE[0]}")
declare -F e2e_finish >/dev/null || . "$here_e2e/lib.sh"
declare -F session_prepare >/dev/null || . "$here_e2e/session_lib.sh"
VREC_DLL="$WIN32/tools/virtual-recorder/wnaspi32.dll"
DECODER="$WIN32/tools/qlnxaudio/qlnxaudio.dll"
# Wine loads the DLL beside the program instead of its own.
NATIVE_ASPI="mscoree,mshtml=;wnaspi32=n"
# Compares two PCM files within a tolerance per sample.
COMPARE="$NATIVE/tools/qlnxaudio/pcm-compare"

session_device_prepare() {
  session_prepare
  [ -f "$VREC_DLL" ] && [ -f "$DECODER" ] || { echo "build win32 first"; exit 1; }
}

# device_check_begin: a scratch folder, the Windows programs checked, and the recorder's DLL
# loaded beside the program for every Windows program of the check.
device_check_begin() {
  scratch_dir
  session_device_prepare
  export WINEDLLOVERRIDES="$NATIVE_ASPI"
}

# device_session NAME INI: applet.exe grown to a package's size in a folder of its own, with
# liner notes, the recorder's DLL and its configuration (INI text; none when empty) beside it.
# Prints the program's path.
device_session() {
  local applet dir
  applet=$(session_copy "$1" 2000000)
  dir=$(dirname "$applet")
  printf '[INTERNAL]\r\nSize=1\r\n[TITLE]\r\nAlbum=Night Songs\r\nArtist=The Quiet Hours\r\n[TRACKS AND TAGS]\r\n1=Evening\r\n2=Lantern Light\r\n' \
    >"$dir/linernotes.htm"
  if [ -n "$2" ]; then
    cp "$VREC_DLL" "$dir/"
    printf '%s' "$2" >"$dir/virtualrecorder.ini"
  fi
  printf '%s' "$applet"
}

# album NAME INI: device_session with the album staged as the package would stage it: the
# decoder library, and $E2E_SCRATCH/t1.mp3 and t2.mp3 as QlnT-1.mp3 and QlnT-2.mp3.
album() {
  local applet dir
  applet=$(device_session "$1" "$2")
  dir=$(dirname "$applet")
  cp "$DECODER" "$dir/"
  cp "$E2E_SCRATCH/t1.mp3" "$dir/QlnT-1.mp3"
  cp "$E2E_SCRATCH/t2.mp3" "$dir/QlnT-2.mp3"
  printf '%s' "$applet"
}

# lacks TEXT FILE: FILE does not contain TEXT.
lacks() { ! grep -qF "$1" "$2"; }

# memo_tail FILE N: the last N memo lines of the uidriver output FILE, joined by "|".
memo_tail() { grep '^memo=' "$1" | tail -"$2" | sed 's/^memo=//' | paste -sd'|'; }

# The memo lines StartRecording shows after the method line, for the liner notes above.
RECORDING_TAIL='________________________|Album=Night Songs|Artist=The Quiet Hours|1=Evening|2=Lantern Light|________________________'

# audio_matches IMAGE_DIR: bchunk's two tracks against mpg123's decodes $E2E_SCRATCH/e1.pcm and
# e2.pcm (compared by $COMPARE), within 2 per sample, of the same length once the padding of the
# last sector is taken off.
audio_matches() {
  local d=$1 t n
  (cd "$d" && rm -f out*.wav && bchunk -w disc.bin disc.cue out >/dev/null 2>&1) || return 1
  for t in 1 2; do
    n=$(stat -c %s "$E2E_SCRATCH/e$t.pcm")
    tail -c +45 "$d/out0$t.wav" | head -c "$n" >"$d/got$t.pcm"
    "$COMPARE" "$E2E_SCRATCH/e$t.pcm" "$d/got$t.pcm" 2 >/dev/null || return 1
  done
}
