#pragma once
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "tests/fakes/fake_platform.h"

namespace sorvane::cli {

// Runs console commands against the fakes, collecting what they print.
class ConsoleTest : public ::testing::Test {
protected:
    int run(std::vector<std::string> args) {
        Console console{in, out, err};
        return dispatch(fake.platform(), args, console);
    }

    fakes::FakePlatform fake;
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
};

}  // namespace sorvane::cli
