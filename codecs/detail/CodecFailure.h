// How the run-length codecs leave a decode or encode from deep inside their row routines: the
// failure's text travels to the end of the operation, which keeps it as the last error.
#pragma once

struct CodecFailure {
  const char* text;
};
