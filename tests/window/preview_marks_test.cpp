#include "window/preview_marks.h"

#include <gtest/gtest.h>

#include "core/checked_batch.h"
#include "tests/support/fake_platform.h"

namespace tolvane {
namespace {

// The marks run the commit's check with the folder's own rules, so a row that only the
// volume would refuse is marked before Rename.
TEST(PreviewMarksTest, MarkWhatTheFoldersVolumeWouldRefuse) {
  const struct {
    VolumeRules rules;
    const char* keepMark;   // of a.jpg -> keep.jpg, beside KEEP.jpg
    const char* colonMark;  // of b.jpg -> b:c.jpg
  } cases[] = {
      {VolumeRules{}, nullptr, nullptr},
      {VolumeRules{true, NameRules::Unicode},
       "\"a.jpg\" -> \"keep.jpg\": an item of the folder that is not renamed already has the new name",
       "\"b.jpg\" -> \"b:c.jpg\": the volume of this folder does not allow ':' in a name"},
  };
  for (const auto& c : cases) {
    testing::FakeFileSystem files;
    for (const char* name : {"a.jpg", "b.jpg", "KEEP.jpg"}) files.AddFile(std::string("/card/") + name);
    files.SetVolumeRules("/card", c.rules);
    RenameList list;
    list.Add("keep.jpg").Tag = "a.jpg";
    list.Add("b:c.jpg").Tag = "b.jpg";
    PreviewMarks marks;
    marks.Show(list, CheckedBatch(list, files.OpenFolder("/card"), "/card").Problems());
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
