#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/authored_files.h"
#include "authoring/project_source.h"

namespace {

const char* const twoScenes =
    "scene intro from 0 to 10\n"
    "scene from 10 to 20\n"
    "timeline from 0 to 124\n"
    "  param Scene 0\n";

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::string writeTemporary(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::vector<uint8_t> compiledWithProjc(const std::string& text)
{
    ProjectBuilder builder;
    std::string error;
    EXPECT_TRUE(parseProjectSource(text, "x.proj", builder, error)) << error;
    return builder.bytes();
}

TEST(AuthoredFiles, ProjectFilesAreToldApartByContent)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool source;
    };
    const std::vector<Case> cases = {
        {"a source", bytesOf(twoScenes), true},
        {"an empty file (an empty source)", {}, true},
        {"compiled data", compiledWithProjc(twoScenes), false},
        {"the empty project's data", compiledWithProjc(""), false},
    };
    for (const Case& c : cases) EXPECT_EQ(isProjectSource(c.bytes), c.source) << c.what;
}

TEST(AuthoredFiles, ASourceCompilesInProcessWithItsSceneLabels)
{
    AuthoredProject fromSource, fromData;
    std::string error;
    ASSERT_TRUE(readProjectFile(writeTemporary("two.proj", bytesOf(twoScenes)), fromSource, error)) << error;
    ASSERT_TRUE(readProjectFile(writeTemporary("two.bin", compiledWithProjc(twoScenes)), fromData, error)) << error;
    EXPECT_TRUE(fromSource.fromSource);
    EXPECT_FALSE(fromData.fromSource);
    EXPECT_EQ(fromSource.bytes, fromData.bytes);  // the same bytes as projc writes
    EXPECT_EQ(fromSource.sceneLabels, (std::vector<std::string>{"intro", ""}));
    EXPECT_TRUE(fromData.sceneLabels.empty());
}

TEST(AuthoredFiles, SourceErrorsNameFileAndLine)
{
    const std::string path = writeTemporary("broken.proj", bytesOf("scene a from 0 to 1\nscene b from\n"));
    AuthoredProject project;
    std::string error;
    EXPECT_FALSE(readProjectFile(path, project, error));
    EXPECT_EQ(error.rfind(path + ":2:9: ", 0), 0u) << error;
    EXPECT_FALSE(readProjectFile(::testing::TempDir() + "missing.proj", project, error));
    EXPECT_EQ(error.rfind("cannot read project file", 0), 0u) << error;
}

TEST(AuthoredFiles, ModulesAreXmBySignatureOrASource)
{
    std::vector<uint8_t> xm = bytesOf("Extended Module: tune");
    xm.push_back(0);
    EXPECT_FALSE(isModuleSource(xm));
    EXPECT_FALSE(isModuleSource({'M', 'T', 'h', 'd', 0, 0, 0, 6}));  // binary: the loader names the fault
    EXPECT_TRUE(isModuleSource(bytesOf("tempo 6 125\n")));

    std::vector<uint8_t> read;
    std::string error;
    ASSERT_TRUE(readModuleFile(writeTemporary("tune.xm", xm), read, error)) << error;
    EXPECT_EQ(read, xm);
    const std::string source = writeTemporary("tune.tune", bytesOf("tempo 6 125\n"));
    EXPECT_FALSE(readModuleFile(source, read, error));
    EXPECT_EQ(error.rfind(source + ":1: ", 0), 0u) << error;  // compiled as a tune source
}

TEST(AuthoredFiles, SceneLabelsFallBackToTheIndex)
{
    const std::vector<std::string> labels = {"intro", ""};
    struct Case {
        int32_t index, count;
        const char* label;
    };
    for (const Case& c : {Case{0, 3, "intro"}, Case{1, 3, "scene 1"}, Case{2, 3, "scene 2"}, Case{-1, 3, "no scene"},
                          Case{3, 3, "no scene"}})
        EXPECT_EQ(sceneLabel(labels, c.index, c.count), c.label) << c.index;
    EXPECT_EQ(labelLines("intro\n\nend\n"), (std::vector<std::string>{"intro", "", "end"}));
    EXPECT_TRUE(labelLines("").empty());
}

}  // namespace
