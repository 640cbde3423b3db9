// How a codec leaves a decode or encode from deep inside its routines: the failure's text
// travels to CImageFile::Guarded, which keeps it as the last error.
#pragma once

struct CodecFailure {
  const char* text;
};

// What every decoder says when the data runs out before the picture is whole.
constexpr char kFileEndsEarly[] = "the file ends early";
