// The layout's view of the track record, defined with the recording engine, which reads it.
#pragma once

#include "applet/device/CdUnits.h"
#include "applet/recording/TrackImageData.h"

#include <cstdint>

namespace layout {

using device::TDiscType;
using recording::kMaxIndexes;
using recording::TIndexEntry;
using recording::TTrackImageData;
using recording::TTrackMode;

} // namespace layout
