// The help texts' layout: a term two blanks in, its text from the column, each of the text's lines anew.
#include "app/program_help.h"

#include <gtest/gtest.h>
#include <string>

namespace nimbrel {
namespace {

TEST(AppProgramHelp, EachLineOfATermsTextStartsAtTheColumn) {
    const std::string column(kHelpTextColumn, ' ');
    EXPECT_EQ(helpRow("--dir DIR", "the data folder\nmade when missing"),
              "  --dir DIR" + std::string(kHelpTextColumn - 11, ' ') + "the data folder\n" + column +
                  "made when missing\n");
    // A term that reaches the column puts its text on the next line.
    const std::string longTerm(kHelpTextColumn - 2, 'x');
    EXPECT_EQ(helpRow(longTerm, "text"), "  " + longTerm + "\n" + column + "text\n");
    EXPECT_EQ(helpRow("-h", ""), "  -h\n");
}

} // namespace
} // namespace nimbrel
