// The process environment, read where each system keeps it: on Windows from the process
// environment block, which the C runtime's getenv copy can disagree with (a variable set
// by SetEnvironmentVariable after start-up, or one whose value is not in the code page).
#pragma once

#include <optional>
#include <string>

namespace bw::platform {

// The value of the variable `name`, none when it is not set.
std::optional<std::string> environment_variable(const char* name);

}  // namespace bw::platform
