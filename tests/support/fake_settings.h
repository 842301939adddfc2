#pragma once

#include "platform/platform.h"

namespace tolvane::testing {

// Settings kept in memory, as one run of the program keeps them.
class FakeSettings final : public Settings {
 public:
  bool KeepSets() override { return keepSets; }
  void SetKeepSets(bool keep) override { keepSets = keep; }

  bool keepSets = false;
};

}  // namespace tolvane::testing
