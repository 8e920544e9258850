# Shared set-up of the update.exe checks: a copy of the program, a loopback HTTP server, a
# recording fake browser, and uidriver. Source it after lib.sh.
require_wine
UPDATE_EXE="$WIN32/update/update.exe"
UIDRIVER="$WIN32/tools/uidriver/uidriver.exe"
# Nothing of these checks may leave the machine: no proxy, loopback addresses only.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY

# winpath PATH: the Windows form (Z:\...) of a Unix path.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# A served HTTP folder. Paths are /MODE/NAME with MODE one of
#   plain       Content-Length, the body in one write
#   nolength    no Content-Length; the connection closes after the body
#   pieces      Content-Length, the body in four writes a moment apart
#   chunked     chunked transfer encoding, four chunks a moment apart
#   overstated  announces 50000000 bytes, sends the body and closes
#   held        announces 50000000 bytes, sends the body and keeps the connection open
#   silent      takes the request and never answers (NAME need not exist)
#   trickle     announces 50000000 bytes and sends one byte every TRICKLE seconds
#   loop        answers every request with a redirect (302) to the same path
#   hopN        redirects to /hop(N-1)/NAME (a Location without the host); /hop0/NAME is plain
# Every request path is appended to the log.
write_server() {
  cat >"$1" <<'PY'
import http.server, os, sys, time

root, port_file, log = sys.argv[1:4]
PAUSE = 0.3
HOLD = 120  # how long the silent and held modes keep a connection without a word
TRICKLE = 10

class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def log_message(self, *args):
        pass

    def pieces(self, body):
        step = max(1, (len(body) + 3) // 4)
        return [body[i:i + step] for i in range(0, len(body), step)]

    def do_GET(self):
        with open(log, 'a') as f:
            f.write(self.path + '\n')
        mode, _, name = self.path.lstrip('/').partition('/')
        if mode == 'silent':
            time.sleep(HOLD)
            return
        if mode == 'loop' or (mode.startswith('hop') and mode != 'hop0'):
            target = self.path if mode == 'loop' else '/hop%d/%s' % (int(mode[3:]) - 1, name)
            self.send_response(302)
            self.send_header('Location', target)
            self.send_header('Content-Length', '0')
            self.end_headers()
            return
        try:
            with open(os.path.join(root, os.path.basename(name)), 'rb') as f:
                body = f.read()
        except OSError:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header('Content-Type', 'text/html')
        if mode == 'trickle':
            self.send_header('Content-Length', '50000000')
            self.end_headers()
            for _ in range(3 * HOLD // TRICKLE):
                self.wfile.write(b'x')
                self.wfile.flush()
                time.sleep(TRICKLE)
        elif mode == 'held':
            self.send_header('Content-Length', '50000000')
            self.end_headers()
            self.wfile.write(body)
            self.wfile.flush()
            time.sleep(HOLD)
        elif mode == 'nolength' or mode == 'overstated':
            if mode == 'overstated':
                self.send_header('Content-Length', '50000000')
            self.send_header('Connection', 'close')
            self.end_headers()
            self.wfile.write(body)
            self.close_connection = True
        elif mode == 'chunked':
            self.send_header('Transfer-Encoding', 'chunked')
            self.end_headers()
            for piece in self.pieces(body):
                self.wfile.write(b'%x\r\n%s\r\n' % (len(piece), piece))
                self.wfile.flush()
                time.sleep(PAUSE)
            self.wfile.write(b'0\r\n\r\n')
        else:
            self.send_header('Content-Length', str(len(body)))
            self.end_headers()
            for piece in (self.pieces(body) if mode == 'pieces' else [body]):
                self.wfile.write(piece)
                self.wfile.flush()
                if mode == 'pieces':
                    time.sleep(PAUSE)

server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
server.daemon_threads = True
with open(port_file + '.tmp', 'w') as f:
    f.write(str(server.server_address[1]))
os.rename(port_file + '.tmp', port_file)
server.serve_forever()
PY
}

# start_server FOLDER: serves FOLDER on a free loopback port; sets SERVER_PORT and SERVER_LOG.
start_server() {
  local script="$E2E_SCRATCH/server.py" port_file="$E2E_SCRATCH/server.port"
  SERVER_LOG="$E2E_SCRATCH/server.log"
  : >"$SERVER_LOG"
  write_server "$script"
  python3 "$script" "$1" "$port_file" "$SERVER_LOG" &
  SERVER_PID=$!
  for _ in $(seq 100); do
    [ -s "$port_file" ] && break
    sleep 0.1
  done
  SERVER_PORT=$(cat "$port_file")
}

stop_server() {
  if [ -n "${SERVER_PID:-}" ]; then
    kill "$SERVER_PID" 2>/dev/null
    wait "$SERVER_PID" 2>/dev/null
    SERVER_PID=
  fi
}

# A loopback port nobody listens on.
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# The fake browser: Wine's browser launcher runs it with the address, and it only records it.
BROWSER_KEY='HKCU\Software\Wine\WineBrowser'
install_browser() {
  BROWSED="$E2E_SCRATCH/browsed.txt"
  : >"$BROWSED"
  cat >"$E2E_SCRATCH/browser.sh" <<SH
#!/bin/sh
printf '%s\n' "\$*" >>"$BROWSED"
SH
  chmod +x "$E2E_SCRATCH/browser.sh"
  BROWSERS_BEFORE=$(wine reg query "$BROWSER_KEY" /v Browsers 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *Browsers *REG_SZ *//p')
  BROWSERS_HAD_VALUE=$(wine reg query "$BROWSER_KEY" /v Browsers >/dev/null 2>&1 && echo yes)
  wine reg add "$BROWSER_KEY" /v Browsers /t REG_SZ /d "$E2E_SCRATCH/browser.sh" /f >/dev/null
}

restore_browser() {
  if [ "${BROWSERS_HAD_VALUE:-}" = yes ]; then
    wine reg add "$BROWSER_KEY" /v Browsers /t REG_SZ /d "$BROWSERS_BEFORE" /f >/dev/null
  else
    wine reg delete "$BROWSER_KEY" /v Browsers /f >/dev/null 2>&1
  fi
}

# browsed_after SECONDS: the addresses the fake browser got, once one arrived or time is up.
browsed_after() {
  for _ in $(seq $(($1 * 10))); do
    [ -s "$BROWSED" ] && break
    sleep 0.1
  done
  cat "$BROWSED"
}

# update_setup: a scratch folder with update.exe, a server, the fake browser, and clean-up.
update_setup() {
  scratch_dir
  trap 'stop_server; restore_browser; rm -rf "$E2E_SCRATCH"' EXIT
  APP_DIR="$E2E_SCRATCH/app"
  WEB_DIR="$E2E_SCRATCH/web"
  mkdir -p "$APP_DIR" "$WEB_DIR"
  cp "$UPDATE_EXE" "$APP_DIR/"
  APP=$(winpath "$APP_DIR/update.exe")
  start_server "$WEB_DIR"
  install_browser
}

# write_settings FILE NAME INSTALLED LOCATION: a settings file (CR LF lines).
write_settings() {
  printf '[Verilatch]\r\nProgramName=%s\r\nExistingVersion=%s\r\nUpdateURL=%s\r\n' "$2" "$3" \
    "$4" >"$1"
}

# publish NAME LATEST LINK: a version text on the server, inside an HTML page.
publish() {
  printf "<html><body><p>Latest: LatestVersion='%s'</p>\n<a>UpdateLink='%s'</a></body></html>\n" \
    "$2" "$3" >"$WEB_DIR/$1"
}

# ui NAME STEPS...: runs uidriver; its output (without CR, and without the picture's text
# line) goes to $E2E_SCRATCH/NAME.out and its exit code to UI_STATUS.
ui() {
  local name=$1
  shift
  wine_run "$UIDRIVER" "$@" >"$E2E_SCRATCH/$name.raw" 2>&1
  UI_STATUS=$?
  tr -d '\r' <"$E2E_SCRATCH/$name.raw" | LC_ALL=C grep -av $'^text=\xff' >"$E2E_SCRATCH/$name.out"
}

# The texts of the main dialog.
PROMPT_LINES="text=Verilatch will check the Internet for the latest version of:
text=
text=Test Program
text=
text=Please be sure that you are connected to the Internet and click OK to start."
RETRY_LINES="text=This program will check the Internet for the latest version of:
text=
text=Test Program
text=
text=Please be sure that you are connected to the Internet and click OK to start."
