#include "platform/output_file.h"

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace {

struct Folder {
    std::string path;
    Folder()
    {
        char name[] = "/tmp/output-file-XXXXXX";
        path = mkdtemp(name);
    }
    ~Folder() { std::system(("rm -rf '" + path + "'").c_str()); }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    // Every name in the folder, sorted, one a line.
    std::string names() const
    {
        std::string out;
        std::FILE* list = popen(("ls -A '" + path + "'").c_str(), "r");
        char line[512];
        while (list && std::fgets(line, sizeof line, list)) out += line;
        if (list) pclose(list);
        return out;
    }
};

std::string contentOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

char kindOf(const std::string& path)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return '-';
    if (S_ISLNK(info.st_mode)) return 'l';
    if (S_ISDIR(info.st_mode)) return 'd';
    if (S_ISCHR(info.st_mode)) return 'c';
    if (S_ISFIFO(info.st_mode)) return 'p';
    return S_ISREG(info.st_mode) ? 'f' : '?';
}

// One row a kind of target: what is there before, whose name it is, and what
// must hold after writing "new" to it.
struct Target {
    const char* what;
    std::function<void(const Folder&)> prepare;  // makes "out" (and whatever else)
    OutputFile::Name name;
    bool written;           // the write succeeds
    const char* reason;     // in the error when it does not
    const char* outAfter;   // content of "out" afterwards (nullptr: not a regular file)
    const char* namesAfter; // the folder's names afterwards
};

TEST(OutputFile, PlacesRegularFilesAndRefusesWhatIsNotOne)
{
    const Target targets[] = {
        {"a new name", [](const Folder&) {}, OutputFile::Name::Named, true, "", "new", "out\n"},
        {"an old file", [](const Folder& f) { put(f / "out", "old"); }, OutputFile::Name::Named, true, "", "new",
         "out\n"},
        {"a stale out.tmp, a link to a victim",
         [](const Folder& f) {
             put(f / "victim", "victim");
             symlink((f / "victim").c_str(), (f / "out.tmp").c_str());
         },
         OutputFile::Name::Named, true, "", "new", "out\nout.tmp\nvictim\n"},
        {"a named link to a file: what it names is replaced, the link stays",
         [](const Folder& f) {
             put(f / "real", "old");
             symlink("real", (f / "out").c_str());
         },
         OutputFile::Name::Named, true, "", "new", "out\nreal\n"},
        {"a link in a folder we write into",
         [](const Folder& f) {
             put(f / "victim", "victim");
             symlink((f / "victim").c_str(), (f / "out").c_str());
         },
         OutputFile::Name::Made, false, "is a symbolic link", "victim", "out\nvictim\n"},
        {"a dangling link", [](const Folder& f) { symlink((f / "nowhere").c_str(), (f / "out").c_str()); },
         OutputFile::Name::Named, false, "is a symbolic link to nothing", nullptr, "out\n"},
        {"a directory", [](const Folder& f) { mkdir((f / "out").c_str(), 0755); }, OutputFile::Name::Named, false,
         "is a directory", nullptr, "out\n"},
        {"a FIFO nobody reads", [](const Folder& f) { mkfifo((f / "out").c_str(), 0644); }, OutputFile::Name::Named,
         false, "no program reads the FIFO", nullptr, "out\n"},
        {"a FIFO in a folder we write into", [](const Folder& f) { mkfifo((f / "out").c_str(), 0644); },
         OutputFile::Name::Made, false, "is a FIFO", nullptr, "out\n"},
        {"a folder that does not exist", [](const Folder&) {}, OutputFile::Name::Named, false,
         "No such file or directory", nullptr, ""},
    };
    for (const Target& t : targets) {
        SCOPED_TRACE(t.what);
        Folder folder;
        t.prepare(folder);
        const bool missingFolder = std::string(t.reason) == "No such file or directory";
        const std::string path = missingFolder ? folder / "no/out" : folder / "out";
        const char before = kindOf(path);
        std::string error;
        EXPECT_EQ(writeOutputFile(path, "new", 3, error, t.name), t.written) << error;
        EXPECT_NE(error.find(t.reason), std::string::npos) << error;
        if (t.outAfter) { EXPECT_EQ(contentOf(path), t.outAfter); }
        if (!t.written || before == 'l') { EXPECT_EQ(kindOf(path), before); }  // not replaced, a link kept
        if (kindOf(folder / "victim") == 'f') { EXPECT_EQ(contentOf(folder / "victim"), "victim"); }
        EXPECT_EQ(folder.names(), t.namesAfter);          // and no temporary left
    }
    // A file written keeps the mode of the one it replaces.
    Folder folder;
    put(folder / "out", "old");
    chmod((folder / "out").c_str(), 0640);
    std::string error;
    ASSERT_TRUE(writeOutputFile(folder / "out", "new", 3, error)) << error;
    struct stat info;
    stat((folder / "out").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(OutputFile, WritesADeviceDirectlyAndNamesItsFailure)
{
    // Named by the user, a device is written as it is and stays a device.
    std::string error;
    EXPECT_TRUE(writeOutputFile("/dev/null", "new", 3, error)) << error;
    EXPECT_EQ(kindOf("/dev/null"), 'c');
    EXPECT_FALSE(writeOutputFile("/dev/full", "new", 3, error));
    EXPECT_EQ(error, "cannot write /dev/full: No space left on device");
    // A device in a folder we write into is not ours.
    EXPECT_FALSE(writeOutputFile("/dev/null", "new", 3, error, OutputFile::Name::Made));
    EXPECT_EQ(error, "cannot write /dev/null: is a device");
}

TEST(OutputFile, AFailedWriteLeavesNothingAndTheOldFileIntact)
{
    // A file-size limit fails the write as a full disk does (EFBIG instead of ENOSPC).
    Folder folder;
    put(folder / "out", "old");
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    const std::string big(10000, 'x');
    std::string error;
    const bool written = writeOutputFile(folder / "out", big.data(), big.size(), error);
    // A header rewritten after a failure must not bring the file back either.
    OutputFile file;
    const bool opened = file.open(folder / "new");
    file.write(big.data(), big.size());
    const bool rewritten = file.writeAt(0, "hdr", 3);
    const bool committed = file.commit();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(written);
    EXPECT_EQ(error, "cannot write " + folder / "out" + ": File too large");
    EXPECT_TRUE(opened);
    EXPECT_FALSE(rewritten);
    EXPECT_FALSE(committed);
    EXPECT_EQ(contentOf(folder / "out"), "old");
    EXPECT_EQ(folder.names(), "out\n");
}

TEST(OutputFile, NothingIsInPlaceBeforeCommitAndAnInterruptionRemovesTheTemporaries)
{
    Folder folder;
    {
        OutputFile file;
        ASSERT_TRUE(file.open(folder / "frame.png"));
        ASSERT_TRUE(file.write("abc", 3));
        EXPECT_EQ(kindOf(folder / "frame.png"), '-');
        const std::string names = folder.names();
        EXPECT_EQ(names.substr(0, 7), ".frame-");  // hidden, keeping the extension
        EXPECT_EQ(names.substr(names.size() - 5), ".png\n");
        removeOpenTemporaries();  // what the handler does before the process ends
        EXPECT_EQ(folder.names(), "");
    }
    {
        OutputFile scratch;
        ASSERT_TRUE(scratch.openScratch(folder.path, "music-"));
        ASSERT_TRUE(scratch.write("abc", 3));
        ASSERT_TRUE(scratch.commit());
        EXPECT_EQ(contentOf(scratch.path()), "abc");  // kept while the object lives
    }
    EXPECT_EQ(folder.names(), "");
}

}  // namespace
