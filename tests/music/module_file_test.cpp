#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "music/module_file.h"

namespace {

class ResourceFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 10; ++i) bytes[i] = static_cast<uint8_t>(i + 1);
        setModuleResource(bytes, 10);
        file = resourceOpen("Tarnevoxin.xm");
        ASSERT_NE(file, nullptr);
    }
    void TearDown() override
    {
        resourceClose(file);
        setModuleResource(nullptr, 0);
    }

    uint8_t bytes[10];
    void* file = nullptr;
};

TEST_F(ResourceFileTest, ReadsUpToTheEndThenNothing)
{
    uint8_t buffer[16] = {};
    EXPECT_EQ(resourceRead(buffer, 4, file), 4);
    EXPECT_EQ(buffer[0], 1);
    EXPECT_EQ(resourceTell(file), 4);
    // Reaching exactly the end returns the bytes that are left.
    EXPECT_EQ(resourceRead(buffer, 6, file), 6);
    EXPECT_EQ(buffer[5], 10);
    EXPECT_EQ(resourceTell(file), 10);
    EXPECT_EQ(resourceRead(buffer, 1, file), 0);
    EXPECT_EQ(resourceTell(file), 10);
}

TEST_F(ResourceFileTest, ReadPastTheEndIsCutToWhatIsLeft)
{
    uint8_t buffer[64];
    std::memset(buffer, 0xEE, sizeof buffer);
    resourceSeek(file, 7, int32_t(SeekOrigin::FromStart));
    EXPECT_EQ(resourceRead(buffer, 50, file), 3);
    EXPECT_EQ(buffer[0], 8);
    EXPECT_EQ(buffer[2], 10);
    EXPECT_EQ(buffer[3], 0xEE);  // nothing beyond the data is copied
    // A count so large that position + count would wrap a 32-bit sum.
    resourceSeek(file, 5, int32_t(SeekOrigin::FromStart));
    EXPECT_EQ(resourceRead(buffer, INT32_MAX, file), 5);
    EXPECT_EQ(resourceRead(buffer, -4, file), 0);
}

TEST_F(ResourceFileTest, SeeksFromEachOriginAndStopsAtTheEnds)
{
    resourceSeek(file, 3, int32_t(SeekOrigin::FromStart));
    EXPECT_EQ(resourceTell(file), 3);
    resourceSeek(file, 2, int32_t(SeekOrigin::FromCurrent));
    EXPECT_EQ(resourceTell(file), 5);
    resourceSeek(file, -4, int32_t(SeekOrigin::FromEnd));
    EXPECT_EQ(resourceTell(file), 6);
    uint8_t value = 0;
    resourceRead(&value, 1, file);
    EXPECT_EQ(value, 7);

    resourceSeek(file, 100, int32_t(SeekOrigin::FromStart));
    EXPECT_EQ(resourceTell(file), 10);  // past the end: held at the end
    resourceSeek(file, 3, 7);
    EXPECT_EQ(resourceTell(file), 10);  // an unknown origin changes nothing
    // The origin's low byte counts: 0x100 is origin 0.
    resourceSeek(file, 2, 0x100);
    EXPECT_EQ(resourceTell(file), 2);
    // Before the start would make the next read copy from before the data.
    resourceSeek(file, -20, int32_t(SeekOrigin::FromCurrent));
    EXPECT_EQ(resourceTell(file), 0);
    EXPECT_EQ(resourceRead(&value, 1, file), 1);
    EXPECT_EQ(value, 1);
}

TEST_F(ResourceFileTest, EveryNameOpensTheSameModule)
{
    void* other = resourceOpen("anything.else");
    uint8_t a[10], b[10];
    EXPECT_EQ(resourceRead(a, 10, file), 10);
    EXPECT_EQ(resourceRead(b, 10, other), 10);
    EXPECT_EQ(std::memcmp(a, b, 10), 0);
    resourceClose(other);
}

TEST(ResourceFile, WithoutModuleBytesEveryReadIsEmpty)
{
    setModuleResource(nullptr, 0);
    void* file = resourceOpen("Tarnevoxin.xm");
    ASSERT_NE(file, nullptr);
    uint8_t buffer[4];
    EXPECT_EQ(resourceRead(buffer, 4, file), 0);
    resourceSeek(file, 0, int32_t(SeekOrigin::FromEnd));
    EXPECT_EQ(resourceTell(file), 0);
    resourceClose(file);
}

void* failingOpen(const char*) { return nullptr; }

TEST(FileCallbacks, AreInstalledAllOrNone)
{
    installResourceCallbacks();
    EXPECT_TRUE(fileCallbacksInstalled());
    setFileCallbacks(resourceOpen, resourceClose, nullptr, resourceSeek, resourceTell);
    EXPECT_FALSE(fileCallbacksInstalled());
    EXPECT_EQ(fileCallbacks().close, nullptr);
    EXPECT_EQ(fileCallbacks().tell, nullptr);
    // Without callbacks a stream cannot open.
    EXPECT_EQ(openModuleStream("x"), nullptr);
    installResourceCallbacks();
}

TEST(ModuleStream, GoesThroughTheCallbacksAndToleratesNull)
{
    uint8_t bytes[4] = {9, 8, 7, 6};
    installResourceCallbacks();
    setModuleResource(bytes, 4);
    ModuleStream* stream = openModuleStream("Tarnevoxin.xm");
    ASSERT_NE(stream, nullptr);
    uint8_t value = 0;
    streamSeek(stream, 2, SeekOrigin::FromStart);
    EXPECT_EQ(streamRead(&value, 1, stream), 1);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(streamTell(stream), 3);
    closeModuleStream(stream);

    EXPECT_EQ(streamRead(&value, 1, nullptr), 0);
    EXPECT_EQ(streamTell(nullptr), 0);
    streamSeek(nullptr, 1, SeekOrigin::FromStart);
    closeModuleStream(nullptr);

    setFileCallbacks(failingOpen, resourceClose, resourceRead, resourceSeek, resourceTell);
    EXPECT_EQ(openModuleStream("Tarnevoxin.xm"), nullptr);
    installResourceCallbacks();
    setModuleResource(nullptr, 0);
}

}  // namespace
