// The XM loader. It reads only what playback uses, skips names, and turns
// every sample into 16-bit values. A module may come from anywhere, so every
// count and length that sizes a buffer or indexes one is held to what the
// format allows and what the file holds.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "music/module_file.h"
#include "music/sequencer.h"
#include "music/xm_module.h"

XmSample EmptySample = {};

namespace {

constexpr char SIGNATURE[] = "Extended Module: ";
constexpr int32_t SIGNATURE_LENGTH = 17;
constexpr int32_t TRACKER_OFFSET = 38;
constexpr int32_t HEADER_OFFSET = 60;

// The format's own limits; larger counts are refused rather than guessed at.
constexpr int32_t MAX_CHANNELS = 128;
constexpr int32_t MAX_PATTERNS = 256;
constexpr int32_t MAX_PATTERN_ROWS = 256;
constexpr int32_t MAX_INSTRUMENTS = 128;
constexpr int32_t MAX_SONG_LENGTH = 256;
constexpr int32_t MISSING_PATTERN_ROWS = 64;

const char* loadError = "";

// Reads that run past the end leave the missing bytes zero; `ended` tells
// that one did, so that a loop of small reads can stop where every further
// value would be zero.
struct Reader {
    ModuleStream* stream;
    bool ended = false;

    void read(void* destination, int32_t count)
    {
        if (streamRead(destination, count, stream) < count) ended = true;
    }
    uint8_t u8()
    {
        uint8_t value = 0;
        read(&value, 1);
        return value;
    }
    uint16_t u16()
    {
        uint8_t bytes[2] = {};
        read(bytes, 2);
        return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
    }
    uint32_t u32()
    {
        uint8_t bytes[4] = {};
        read(bytes, 4);
        return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
               static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    }
    void bytes(void* destination, int32_t count) { read(destination, count); }
    int32_t tell() { return streamTell(stream); }
    void seek(int64_t position)
    {
        // Beyond int32 the stream would wrap; past the end it stops at the end.
        streamSeek(stream, static_cast<int32_t>(std::clamp<int64_t>(position, 0, INT32_MAX)), SeekOrigin::FromStart);
        ended = false;
    }
    void skip(int32_t count)
    {
        streamSeek(stream, count, SeekOrigin::FromCurrent);
        ended = false;
    }
    int32_t size()
    {
        const int32_t here = tell();
        streamSeek(stream, 0, SeekOrigin::FromEnd);
        const int32_t end = tell();
        streamSeek(stream, here, SeekOrigin::FromStart);
        return end;
    }
};

bool fail(const char* reason)
{
    loadError = reason;
    return false;
}

bool readPatterns(XmModule& module, Reader& in, int32_t patternCount)
{
    const int32_t channels = module.channelCount;
    for (int32_t p = 0; p < patternCount; ++p) {
        // The header's own length and packing type are not trusted to
        // reposition the stream: a pattern header is 9 bytes.
        in.u32();
        in.u8();
        const int32_t rows = in.u16();
        const int32_t packedSize = in.u16();
        if (rows > MAX_PATTERN_ROWS) return fail("a pattern has more than 256 rows");
        XmPattern& pattern = module.patterns[p];
        pattern.rows = rows;
        const int32_t cellCount = rows * channels;
        if (cellCount == 0) continue;
        pattern.cells = static_cast<PatternCell*>(std::calloc(static_cast<size_t>(cellCount), sizeof(PatternCell)));
        if (!pattern.cells) return fail("out of memory");
        if (packedSize == 0) continue;
        // Past the file's end every cell would read as zeros, which the
        // cells already are: a short file that claims 256 patterns of 256
        // rows of 128 channels is not read a byte at a time to the last.
        for (int32_t i = 0; i < cellCount && !in.ended; ++i) {
            PatternCell& cell = pattern.cells[i];
            const uint8_t b = in.u8();
            if (b & 0x80) {
                if (b & 0x01) cell.note = in.u8();
                if (b & 0x02) cell.instrument = in.u8();
                if (b & 0x04) cell.volume = in.u8();
                if (b & 0x08) cell.effect = in.u8();
                if (b & 0x10) cell.parameter = in.u8();
            } else {
                cell.note = b;
                cell.instrument = in.u8();
                cell.volume = in.u8();
                cell.effect = in.u8();
                cell.parameter = in.u8();
            }
            if (cell.note == 97) cell.note = NOTE_KEY_OFF;
            if (cell.instrument > 128) cell.instrument = 0;
        }
    }
    // Patterns the order table names beyond the header's count: empty.
    for (int32_t p = patternCount; p < module.referencedPatterns; ++p) {
        XmPattern& pattern = module.patterns[p];
        pattern.rows = MISSING_PATTERN_ROWS;
        if (channels == 0) continue;
        pattern.cells = static_cast<PatternCell*>(
            std::calloc(static_cast<size_t>(MISSING_PATTERN_ROWS * channels), sizeof(PatternCell)));
        if (!pattern.cells) return fail("out of memory");
    }
    return true;
}

void readEnvelope(Reader& in, EnvelopePoint* points)
{
    for (int32_t i = 0; i < MAX_ENVELOPE_POINTS; ++i) {
        points[i].x = in.u16();
        points[i].y = in.u16();
    }
}

// Envelopes index their 12 points with counts and loop points from the
// file: a count beyond 12 is cut to 12, a loop whose start is not a point
// is dropped, and values are held to the format's 0..64.
void settleEnvelope(EnvelopePoint* points, uint8_t& pointCount, uint8_t& type, uint8_t& heldType, uint8_t loopStart)
{
    if (pointCount > MAX_ENVELOPE_POINTS) pointCount = MAX_ENVELOPE_POINTS;
    if (loopStart >= pointCount) type &= static_cast<uint8_t>(~ENVELOPE_LOOP);
    heldType = pointCount < 1 ? 0 : type;
    if (pointCount < 2) type = 0;
    for (int32_t i = 0; i < MAX_ENVELOPE_POINTS; ++i) points[i].y = std::min<uint16_t>(points[i].y, 64);
}

// Loop points that run past the sample's data are brought inside it.
void settleLoop(XmSample& sample)
{
    if (sample.loopMode == LoopMode::None || sample.loopStart >= sample.length || sample.loopLength == 0) {
        sample.loopMode = LoopMode::None;
        sample.loopStart = 0;
        sample.loopLength = sample.length;
        return;
    }
    sample.loopLength = std::min(sample.loopLength, sample.length - sample.loopStart);
}

struct SampleBudget {
    int64_t frames;  // what the file can still hold, over all samples
};

bool readSampleData(XmModule& module, Reader& in, XmSample& sample, int32_t instrumentIndex, int32_t sampleIndex,
                    int32_t fileSize, SampleBudget& budget)
{
    const int32_t bytesPerValue = sample.bits / 8;
    // A sample cannot hold more than the file has left, nor, all samples
    // together, more than the whole file: lengths are cut to that.
    const int64_t available = std::max<int64_t>(0, fileSize - in.tell()) / bytesPerValue;
    const int64_t length = std::min<int64_t>({sample.length, available, budget.frames});
    sample.length = static_cast<uint32_t>(length);
    budget.frames -= length;
    settleLoop(sample);
    if (length == 0) return true;

    const int32_t byteCount = static_cast<int32_t>(length * bytesPerValue);
    auto* data = static_cast<int16_t*>(std::calloc(static_cast<size_t>(length) + 8, sizeof(int16_t)));
    if (!data) return fail("out of memory");
    sample.data = data;
    if (module.sampleLoadCallback) {
        module.sampleLoadCallback(data, byteCount, sample.bits, instrumentIndex, sampleIndex);
        in.skip(byteCount);
    } else {
        in.bytes(data, byteCount);
    }
    if (sample.bits == 8) {
        const auto* bytes = reinterpret_cast<const int8_t*>(data);
        for (int64_t i = length - 1; i >= 0; --i) data[i] = static_cast<int16_t>(bytes[i] * 256);
        sample.bits = 16;
    }
    if (!module.sampleLoadCallback) {
        // Stored as differences between successive values.
        uint16_t previous = 0;
        for (int64_t i = 0; i < length; ++i) {
            previous = static_cast<uint16_t>(previous + static_cast<uint16_t>(data[i]));
            data[i] = static_cast<int16_t>(previous);
        }
    }
    // The value past the loop's end, read by interpolation at the edge.
    const uint32_t loopEnd = sample.loopStart + sample.loopLength;
    if (sample.loopMode == LoopMode::PingPong)
        data[loopEnd] = data[loopEnd - 1];
    else if (sample.loopMode == LoopMode::Forward)
        data[loopEnd] = data[sample.loopStart];
    return true;
}

void readSampleHeader(Reader& in, XmSample& sample)
{
    sample.length = in.u32();
    sample.loopStart = in.u32();
    sample.loopLength = in.u32();
    sample.volume = std::min<uint8_t>(in.u8(), 64);
    sample.finetune = static_cast<int8_t>(in.u8());
    sample.loopMode = LoopMode::None;
    sample.bits = 8;
    const uint8_t type = in.u8();
    if (type & 0x01) sample.loopMode = LoopMode::Forward;
    if (type & 0x02) sample.loopMode = LoopMode::PingPong;
    if (type & 0x10) sample.bits = 16;
    if (sample.loopMode == LoopMode::None) {
        sample.loopStart = 0;
        sample.loopLength = sample.length;
    }
    if (sample.bits == 16) {
        sample.length /= 2;
        sample.loopStart /= 2;
        sample.loopLength /= 2;
    }
    if (sample.loopLength == 0) {
        sample.loopStart = 0;
        sample.loopLength = sample.length;
        sample.loopMode = LoopMode::None;
    }
    sample.panning = in.u8();
    sample.relativeNote = static_cast<int8_t>(in.u8());
    in.skip(23);
}

bool readInstruments(XmModule& module, Reader& in, int32_t fileSize)
{
    SampleBudget budget{fileSize};
    for (int32_t i = 0; i < module.instrumentCount; ++i) {
        XmInstrument& instrument = module.instruments[i];
        for (XmSample*& slot : instrument.samples) slot = &EmptySample;
        const int64_t start = in.tell();
        const int64_t headerEnd = start + in.u32();
        in.skip(23);
        const int32_t sampleCount = in.u16();
        if (sampleCount > MAX_SAMPLES) return fail("an instrument has more than 16 samples");
        if (sampleCount == 0) {
            in.seek(headerEnd);
            continue;
        }
        in.u32();  // sample header size: taken to be 40
        in.bytes(instrument.sampleMap, NOTE_COUNT);
        readEnvelope(in, instrument.volumeEnvelope);
        readEnvelope(in, instrument.panningEnvelope);
        instrument.volumePointCount = in.u8();
        instrument.panningPointCount = in.u8();
        instrument.volumeSustain = in.u8();
        instrument.volumeLoopStart = in.u8();
        instrument.volumeLoopEnd = in.u8();
        instrument.panningSustain = in.u8();
        instrument.panningLoopStart = in.u8();
        instrument.panningLoopEnd = in.u8();
        instrument.volumeType = in.u8();
        instrument.panningType = in.u8();
        instrument.vibratoType = in.u8();
        instrument.vibratoSweep = in.u8();
        instrument.vibratoDepth = in.u8();
        instrument.vibratoRate = in.u8();
        instrument.fadeOut = static_cast<uint16_t>(in.u16() * 2);
        settleEnvelope(instrument.volumeEnvelope, instrument.volumePointCount, instrument.volumeType,
                       instrument.heldVolumeType, instrument.volumeLoopStart);
        settleEnvelope(instrument.panningEnvelope, instrument.panningPointCount, instrument.panningType,
                       instrument.heldPanningType, instrument.panningLoopStart);
        in.seek(headerEnd);

        for (int32_t s = 0; s < sampleCount; ++s) {
            auto* sample = static_cast<XmSample*>(std::calloc(1, sizeof(XmSample)));
            if (!sample) return fail("out of memory");
            instrument.samples[s] = sample;
            instrument.sampleCount = s + 1;
            readSampleHeader(in, *sample);
        }
        for (int32_t s = 0; s < sampleCount; ++s)
            if (!readSampleData(module, in, *instrument.samples[s], i, s, fileSize, budget)) return false;
    }
    return true;
}

bool readModule(XmModule& module, Reader& in)
{
    const int32_t fileSize = in.size();
    in.seek(0);
    char signature[SIGNATURE_LENGTH] = {};
    in.bytes(signature, SIGNATURE_LENGTH);
    if (std::memcmp(signature, SIGNATURE, SIGNATURE_LENGTH) != 0) return fail("not an XM module");
    module.tickHandler = tickStep;
    module.initialGlobalVolume = 64;
    in.seek(TRACKER_OFFSET);
    in.bytes(module.trackerName, TRACKER_NAME_LENGTH);
    module.trackerName[TRACKER_NAME_LENGTH] = '\0';
    module.playerMode = playerModeOverride().value_or(playerModeForTracker(module.trackerName));

    // The header up to the end of its order table is what playback needs:
    // a file cut short inside it is no module.
    constexpr int32_t HEADER_READ = HEADER_OFFSET + 20 + static_cast<int32_t>(sizeof module.orderTable);
    if (fileSize < HEADER_READ) return fail("cut short inside its header");
    in.seek(HEADER_OFFSET);
    const uint32_t headerSize = in.u32();
    if (headerSize > static_cast<uint32_t>(fileSize - HEADER_OFFSET))
        return fail("cut short inside its header");
    const int32_t songLength = in.u16();
    module.songLength = static_cast<int16_t>(std::min(songLength, MAX_SONG_LENGTH));
    module.restartPosition = static_cast<int16_t>(in.u16());
    const int32_t channels = in.u16();
    const int32_t patternCount = in.u16();
    const int32_t instrumentCount = in.u16();
    module.flags = in.u16();
    module.defaultTempo = static_cast<int16_t>(in.u16());
    module.defaultBpm = static_cast<int16_t>(in.u16());
    in.bytes(module.orderTable, sizeof module.orderTable);
    if (channels > MAX_CHANNELS) return fail("more than 128 channels");
    if (patternCount > MAX_PATTERNS) return fail("more than 256 patterns");
    if (instrumentCount > MAX_INSTRUMENTS) return fail("more than 128 instruments");
    module.channelCount = static_cast<int16_t>(channels);
    in.seek(HEADER_OFFSET + static_cast<int64_t>(headerSize));

    int32_t largest = -1;
    for (int32_t i = 0; i < module.songLength; ++i) largest = std::max<int32_t>(largest, module.orderTable[i]);
    module.referencedPatterns = largest + 1;
    module.patternSlots = std::max(patternCount, module.referencedPatterns);
    if (module.patternSlots > 0) {
        module.patterns = static_cast<XmPattern*>(std::calloc(static_cast<size_t>(module.patternSlots), sizeof(XmPattern)));
        if (!module.patterns) return fail("out of memory");
    }
    if (!readPatterns(module, in, patternCount)) return false;

    if (instrumentCount > 0) {
        module.instruments =
            static_cast<XmInstrument*>(std::calloc(static_cast<size_t>(instrumentCount), sizeof(XmInstrument)));
        if (!module.instruments) return fail("out of memory");
        module.instrumentCount = static_cast<int16_t>(instrumentCount);
    }
    return readInstruments(module, in, fileSize);
}

}  // namespace

const char* moduleLoadError() { return loadError; }

XmModule* loadModule(const char* name, SampleLoadCallback sampleLoadCallback)
{
    loadError = "";
    auto* module = static_cast<XmModule*>(std::calloc(1, sizeof(XmModule)));
    if (!module) {
        loadError = "out of memory";
        return nullptr;
    }
    ModuleStream* stream = openModuleStream(name);
    if (!stream) {
        std::free(module);
        loadError = "cannot open the module";
        return nullptr;
    }
    module->sampleLoadCallback = sampleLoadCallback;
    Reader reader{stream};
    const bool loaded = readModule(*module, reader);
    closeModuleStream(stream);
    if (loaded) return module;
    // Never played, so only its data is released: playback of another
    // module goes on.
    releaseModuleData(module);
    std::free(module);
    return nullptr;
}

const XmPattern* patternAtOrder(const XmModule* module, int32_t orderPosition)
{
    if (orderPosition < 0 || orderPosition >= 256 || !module->patterns) return nullptr;
    const int32_t index = module->orderTable[orderPosition];
    return index < module->patternSlots ? &module->patterns[index] : nullptr;
}

int32_t rowsAtOrder(const XmModule* module, int32_t orderPosition)
{
    const XmPattern* pattern = patternAtOrder(module, orderPosition);
    return pattern ? pattern->rows : 0;
}

void releaseModuleData(XmModule* module)
{
    if (module->patterns) {
        for (int32_t p = 0; p < module->patternSlots; ++p) std::free(module->patterns[p].cells);
        std::free(module->patterns);
        module->patterns = nullptr;
    }
    if (module->instruments) {
        for (int32_t i = 0; i < module->instrumentCount; ++i) {
            XmInstrument& instrument = module->instruments[i];
            for (int32_t s = 0; s < instrument.sampleCount && s < MAX_SAMPLES; ++s) {
                XmSample* sample = instrument.samples[s];
                if (!sample || sample == &EmptySample) continue;
                std::free(sample->data);
                std::free(sample);
            }
        }
        std::free(module->instruments);
        module->instruments = nullptr;
    }
}
