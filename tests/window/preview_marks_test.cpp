#include "window/preview_marks.h"

#include <gtest/gtest.h>

#include "core/checked_batch.h"
#include "tests/support/fake_platform.h"

namespace tolvane {
namespace {

// The marks run the commit's check with the folder's own rules, so a row that only the
// volume would refuse is marked before Rename; a set's row, for the file of it refused.
TEST(PreviewMarksTest, MarkWhatTheFoldersVolumeWouldRefuse) {
  const struct {
    VolumeRules rules;
    const char* keepMark;   // of a.jpg -> keep.jpg, beside KEEP.jpg
    const char* colonMark;  // of b.jpg -> b:c.jpg, a member of b.CR2's set
  } cases[] = {
      {VolumeRules{}, nullptr, nullptr},
      {VolumeRules{true, NameRules::Unicode},
       "\"a.jpg\" -> \"keep.jpg\": an item of the folder that is not renamed already has the new name",
       "\"b.jpg\" -> \"b:c.jpg\": the volume of this folder does not allow ':' in a name"},
  };
  for (const auto& c : cases) {
    testing::FakeFileSystem files;
    for (const char* name : {"a.jpg", "b.CR2", "b.jpg", "KEEP.jpg"}) files.AddFile(std::string("/card/") + name);
    files.SetVolumeRules("/card", c.rules);
    RenameList list;
    list.Add("keep.jpg").Tag = "a.jpg";
    RenameEntry& set = list.Add("b_c.CR2");
    set.Tag = "b.CR2";
    set.Members.Add(SetMember{"b:c.jpg", "b.jpg", 4});
    PreviewMarks marks;
    CheckedBatch checked(list, files.OpenFolder("/card"), "/card");
    marks.Show(checked.Files(), checked.Problems());
    const auto markOf = [&](RenameList::Position position) {
      const std::string* problem = marks.ProblemOf(list.Item(position));
      return problem ? *problem : std::string("none");
    };
    EXPECT_EQ(markOf(1), c.keepMark ? c.keepMark : "none");
    EXPECT_EQ(markOf(2), c.colonMark ? c.colonMark : "none");
  }
}

}  // namespace
}  // namespace tolvane
