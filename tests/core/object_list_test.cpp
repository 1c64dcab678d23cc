#include <gtest/gtest.h>

#include <vector>

#include "core/object_list.h"
#include "core/project_object.h"

namespace {

std::vector<int> destroyed;

class NumberedObject : public ProjectObject {
public:
    explicit NumberedObject(int n) : number(n) {}
    ~NumberedObject() override { destroyed.push_back(number); }
    int number;
};

TEST(ObjectList, AppendsInOrderAndCountsFromTheHead)
{
    ObjectList<ProjectObject> list;
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.head(), nullptr);
    EXPECT_EQ(list.tail(), nullptr);
    EXPECT_EQ(list.at(0), nullptr);

    ProjectObject* a = list.append(new NumberedObject(1));
    ProjectObject* b = list.append(new NumberedObject(2));
    ProjectObject* c = list.append(new NumberedObject(3));
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(list.at(0), a);
    EXPECT_EQ(list.at(1), b);
    EXPECT_EQ(list.at(2), c);
    EXPECT_EQ(list.at(3), nullptr);  // index equal to the count
    EXPECT_EQ(list.at(-1), nullptr);
    EXPECT_EQ(list.head()->item, a);
    EXPECT_EQ(list.tail()->item, c);
    EXPECT_EQ(list.head()->next->next, list.tail());
    EXPECT_EQ(list.tail()->previous->previous, list.head());
    destroyed.clear();
}

TEST(ObjectList, ClearingDestroysObjectsFromTheLastToTheFirst)
{
    destroyed.clear();
    {
        ObjectList<ProjectObject> list;
        for (int n = 1; n <= 4; ++n) list.append(new NumberedObject(n));
        list.clear();
        EXPECT_EQ(destroyed, (std::vector<int>{4, 3, 2, 1}));
        EXPECT_EQ(list.head(), nullptr);
        EXPECT_EQ(list.tail(), nullptr);
        EXPECT_EQ(list.count(), 0);
        list.append(new NumberedObject(5));  // still usable after clearing
        EXPECT_EQ(list.count(), 1);
    }
    EXPECT_EQ(destroyed.back(), 5);  // the destructor clears what is left
}

TEST(ObjectList, ClearingTracksReleasesTheirKeysAndNames)
{
    ObjectList<AnimTrack> tracks;
    AnimTrack* track = tracks.append(memNew<AnimTrack>());
    track->setName("caption");
    track->keys.append(memNew<AnimKey>());
    track->keys.append(memNew<AnimKey>());
    EXPECT_STREQ(track->name, "caption");
    EXPECT_EQ(track->keys.count(), 2);
    tracks.clear();  // leaks or double frees show up under the sanitizers and valgrind
    EXPECT_EQ(tracks.count(), 0);
}

TEST(MemAlloc, BlocksAreZeroFilled)
{
    unsigned char* block = static_cast<unsigned char*>(memAlloc(100));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(block[i], 0) << i;
    memFree(block);
    memFree(nullptr);  // releasing nothing is harmless
}

}  // namespace
