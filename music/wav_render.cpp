#include "music/wav_render.h"

#include <vector>

#include "music/mixer.h"
#include "music/playback.h"
#include "platform/interruption.h"

namespace {

constexpr int64_t BYTES_PER_FRAME = 4;
constexpr int64_t MAX_DATA_BYTES = 0xFFFFFFFFll - 36;

void put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void putTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

std::vector<uint8_t> wavHeader(uint32_t dataBytes)
{
    std::vector<uint8_t> header;
    putTag(header, "RIFF");
    put32(header, 36 + dataBytes);
    putTag(header, "WAVE");
    putTag(header, "fmt ");
    put32(header, 16);
    put16(header, 1);  // PCM
    put16(header, 2);
    put32(header, MIX_RATE);
    put32(header, MIX_RATE * BYTES_PER_FRAME);
    put16(header, BYTES_PER_FRAME);
    put16(header, 16);
    putTag(header, "data");
    put32(header, dataBytes);
    return header;
}

// Chunk samples as little-endian bytes, whatever the machine's order: on a
// little-endian machine that is the chunk's own bytes.
void appendFrames(std::vector<uint8_t>& out, const int16_t* values, int64_t frames)
{
    const size_t count = static_cast<size_t>(frames) * 2;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    const auto* bytes = reinterpret_cast<const uint8_t*>(values);
    out.insert(out.end(), bytes, bytes + count * sizeof(int16_t));
#else
    for (size_t i = 0; i < count; ++i) put16(out, static_cast<uint16_t>(values[i]));
#endif
}

// Chunks are gathered and written this many bytes at a time.
constexpr size_t WRITE_BYTES = size_t{1} << 20;

}  // namespace

bool writeModuleWav(XmModule* module, OutputFile& file, int64_t firstFrame, int64_t frameCount,
                    std::string& error, int64_t* framesWritten)
{
    if (framesWritten) *framesWritten = 0;
    if (frameCount < 0) frameCount = 0;
    if (firstFrame < 0) firstFrame = 0;
    // Compared by division: the product could pass int64.
    if (frameCount > MAX_DATA_BYTES / BYTES_PER_FRAME || firstFrame > INT64_MAX - frameCount) {
        error = "the music for " + file.path() + " is too long for a WAV file";
        file.discard();
        return false;
    }
    const bool playing = module && startOfflinePlayback(module);
    std::vector<uint8_t> bytes = wavHeader(static_cast<uint32_t>(frameCount * BYTES_PER_FRAME));
    const std::vector<int16_t> silence(static_cast<size_t>(CHUNK_FRAMES) * 2, 0);
    bool ok = file.write(bytes.data(), bytes.size());
    bytes.clear();
    bytes.reserve(WRITE_BYTES + static_cast<size_t>(CHUNK_FRAMES) * BYTES_PER_FRAME);

    int64_t frame = 0;  // first frame of the next chunk
    int64_t done = 0;
    const int64_t end = firstFrame + frameCount;
    // An interruption ends the music at a whole chunk.
    while (ok && frame < end && !interruptionSignal()) {
        const int16_t* chunk = playing ? renderNextChunk() : silence.data();
        const int64_t from = frame < firstFrame ? firstFrame - frame : 0;
        const int64_t to = end - frame < CHUNK_FRAMES ? end - frame : CHUNK_FRAMES;
        frame += CHUNK_FRAMES;
        if (from >= to) continue;
        appendFrames(bytes, chunk + 2 * from, to - from);
        done += to - from;
        if (bytes.size() >= WRITE_BYTES) {
            ok = file.write(bytes.data(), bytes.size());
            bytes.clear();
        }
    }
    if (ok && !bytes.empty()) ok = file.write(bytes.data(), bytes.size());
    if (playing) stopPlayback(module);
    // Cut short: the header says what the file holds (a device or pipe
    // cannot be gone back in; its reader gets less than the header said).
    if (ok && done < frameCount && file.seekable()) {
        bytes = wavHeader(static_cast<uint32_t>(done * BYTES_PER_FRAME));
        ok = file.writeAt(0, bytes.data(), bytes.size());
    }
    ok = ok && file.commit();
    if (!ok) {
        error = file.error();
        file.discard();
        return false;
    }
    if (framesWritten) *framesWritten = done;
    return true;
}

bool writeModuleWav(XmModule* module, const std::string& path, int64_t firstFrame, int64_t frameCount,
                    std::string& error, OutputFile::Name name, int64_t* framesWritten)
{
    OutputFile file;
    if (!file.open(path, name)) {
        error = file.error();
        return false;
    }
    return writeModuleWav(module, file, firstFrame, frameCount, error, framesWritten);
}
