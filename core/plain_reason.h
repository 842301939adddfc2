#pragma once

#include <string>

#include "platform/error.h"

namespace tolvane {

// Why a file could not be written into `folder`, in the words of someone who is not a
// programmer; the error's own description where there are no plainer ones.
std::string PlainReason(const Error& cause, const std::string& folder);

}  // namespace tolvane
