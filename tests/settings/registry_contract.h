// Behaviour every registry implementation must share; instantiated for the
// file store on Linux and for advapi32 under Wine.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "registry.h"

namespace tickwell {

struct RegistryMaker {
    std::string name;
    std::function<std::unique_ptr<IRegistry>()> make;
};

inline std::ostream& operator<<(std::ostream& os, const RegistryMaker& m) { return os << m.name; }

class RegistryContract : public ::testing::TestWithParam<RegistryMaker> {};

}  // namespace tickwell
