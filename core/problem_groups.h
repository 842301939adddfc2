#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

// How a kind of problem that stops a batch is told: of one name ("file is no longer in the
// folder"), of more ("files are no longer in the folder"), and what the user can do, if
// anything ("Simulate makes a new preview.").
struct ProblemKindText {
  std::string one;
  std::string many;
  std::string advice;
};

// The problems of a batch told once a kind, each with its count and the first names it stops,
// so that a box of a thousand problems of one kind stays a few lines: "320 files are no longer
// in the folder: "IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG", "IMG_0004.JPG", "IMG_0005.JPG",
// … and 315 more. The folder may have been renamed already: Simulate makes a new preview."
class ProblemGroups {
 public:
  // Counts `name` under its kind, which is known by its text of one name; kinds are told in
  // the order they first came.
  void Add(const ProblemKindText& kind, std::string_view name);
  bool Empty() const { return groups_.empty(); }
  // One line a kind.
  std::string Describe() const;

 private:
  struct Group {
    ProblemKindText kind;
    std::size_t count = 0;
    std::vector<std::string> firstNames;
  };
  std::vector<Group> groups_;
};

}  // namespace tolvane
