// Every command's JSON prints its numbers as the program prints them: the
// shortest text that reads back as the same value, whole numbers without a
// fraction ("1", not "1.0"), single-precision results in their own digits.
#include <gtest/gtest.h>

#include "cli_test_util.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <regex>
#include <string>
#include <sys/wait.h>

namespace {

using quble::test::CliRun;
using quble::test::RunCli;

// Each number of the JSON text must be the shortest text of its value;
// returns how many were looked at.
int ExpectShortestNumbers(const std::string& json, const std::string& what) {
    const std::regex number(R"((?:[:\[,]\s*)(-?[0-9][0-9.eE+-]*))");
    int seen = 0;
    for (auto it = std::sregex_iterator(json.begin(), json.end(), number); it != std::sregex_iterator(); ++it) {
        const std::string text = (*it)[1];
        double v = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), v);
        char buf[64];
        const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
        const bool asFloat = std::string(buf, end) != text && text.size() <= 12;
        if (asFloat) {
            // A single-precision value: its own shortest digits.
            const float f = static_cast<float>(v);
            const auto [fend, fec] = std::to_chars(buf, buf + sizeof buf, f);
            EXPECT_EQ(std::string(buf, fend), text) << what;
        }
        ++seen;
    }
    return seen;
}

const std::string kGaba = "'" + std::string(QUBLE_TEST_DATA) + "/realdata/gaba-1h-d2o/1H/pdata/1/1r'";

TEST(CliJsonNumbers, WholeAndFractionalValuesInEveryCommand) {
    const CliRun sim = RunCli("simulate --h 2500:7 --width 1 --resolution 0.1 --shape gaussian --json");
    ASSERT_EQ(sim.status, 0);
    EXPECT_EQ(sim.out.rfind("{\"width\":1,\"resolution\":0.1,\"centre_hz\":2500,\"lines\":[{\"hz\":2503.5,", 0), 0u)
        << sim.out.substr(0, 120);
    EXPECT_GT(ExpectShortestNumbers(sim.out, "simulate"), 1400);

    const CliRun read = RunCli("read " + kGaba + " --json");
    ASSERT_EQ(read.status, 0);
    EXPECT_NE(read.out.find("\"npoints\": 32768,"), std::string::npos);
    EXPECT_TRUE(std::regex_search(read.out, std::regex(R"("sfmeu": [0-9]+\.[0-9]+,)"))) << read.out;
    EXPECT_GT(ExpectShortestNumbers(read.out, "read"), 15);

    const CliRun cmp = RunCli("compare --1r " + kGaba + " --example 'Example 1/H7' --json");
    ASSERT_EQ(cmp.status, 0);
    EXPECT_GT(ExpectShortestNumbers(cmp.out, "compare"), 3);

    const CliRun an = RunCli("analyse --1r " + kGaba + " --auto-tms --from 2.36 --to 2.24 --json");
    ASSERT_EQ(an.status, 0);
    EXPECT_TRUE(std::regex_search(an.out, std::regex(R"("centre_hz": [0-9]+\.[0-9]+,)"))) << an.out;
    EXPECT_GT(ExpectShortestNumbers(an.out, "analyse"), 4);

    const CliRun fit = RunCli("fit --1r " + kGaba + " --auto-tms --h 920:7.5,7.5 --width 1 --shape lorentzian --json");
    ASSERT_EQ(fit.status, 0);
    EXPECT_TRUE(std::regex_search(fit.out, std::regex(R"("iterations": [1-9][0-9]*)"))) << fit.out;
    EXPECT_GT(ExpectShortestNumbers(fit.out, "fit"), 6);
    for (const std::string* out : {&sim.out, &read.out, &cmp.out, &an.out, &fit.out}) {
        EXPECT_FALSE(std::regex_search(*out, std::regex(R"([0-9]\.0[,\]\}\s])"))) << *out;
    }
}

}  // namespace
