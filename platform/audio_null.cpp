// The null sound backend: no device ever opens, and the player runs silent.
#include "platform/audio.h"

namespace {

bool openNull(const int16_t*, int32_t, int32_t) { return false; }
void startNull(int32_t) {}
int64_t positionNull() { return 0; }
void writtenNull() {}
void closeNull() {}

}  // namespace

const AudioBackend nullAudio = {openNull, startNull, positionNull, writtenNull, closeNull};
