#pragma once
// The program's version, as the About box, the splash and the survey report show it.

#include <string>

namespace vireon {

// "major.minor.patch" of this build.
std::string VersionText();

} // namespace vireon
