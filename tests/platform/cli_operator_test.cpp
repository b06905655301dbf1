#include "platform/cli_operator.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

namespace lumetch {
namespace {

TEST(CliOperator, PowerCheckAnswers) {
  struct Row {
    const char* input;
    bool expected;
  };
  for (const Row& row : {Row{"o\n", true}, Row{"OK\n", true}, Row{" yes \n", true},
                         Row{"c\n", false}, Row{"\n", false}, Row{"", false}}) {
    std::istringstream in(row.input);
    std::ostringstream out;
    CliOperator op(in, out, false);
    EXPECT_EQ(op.confirm("Please Check the Laser Power!", "Warning"), row.expected) << row.input;
    EXPECT_NE(out.str().find("Please Check the Laser Power!"), std::string::npos);
  }
}

TEST(CliOperator, AssumeYesAnswersThePowerCheckButNotTheContinueDialog) {
  std::istringstream in("");
  std::ostringstream out;
  CliOperator op(in, out, true);
  EXPECT_TRUE(op.confirm("Please Check the Laser Power!", "Warning"));
  EXPECT_FALSE(op.ask_continue());  // no input: the dialog closes as No
}

TEST(CliOperator, AskRepeatsUntilAnAnswerItKnows) {
  std::istringstream in("maybe\nc\n");
  std::ostringstream out;
  CliOperator op(in, out, false);
  EXPECT_EQ(op.ask("Svae the Current Document?", "Warning", AskButtons::YesNoCancel),
            Answer::Cancel);
  std::istringstream in2("c\n");
  CliOperator op2(in2, out, false);
  EXPECT_EQ(op2.ask("Svae the Current Document?", "Warning", AskButtons::YesNo), Answer::No);
}

TEST(CliOperator, ContinueDefaultsToYesOnAnEmptyLine) {
  std::istringstream in("\nn\n");
  std::ostringstream out;
  CliOperator op(in, out, false);
  EXPECT_TRUE(op.ask_continue());
  EXPECT_FALSE(op.ask_continue());
}

TEST(CliOperator, EachCtrlCIsOneEscapePress) {
  std::istringstream in;
  std::ostringstream out;
  CliOperator op(in, out, false);
  EXPECT_FALSE(op.next_key().has_value());
  std::raise(SIGINT);
  std::raise(SIGINT);
  for (int i = 0; i < 2; ++i) {
    const auto key = op.next_key();
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(*key, (KeyEvent{KeyEvent::Kind::Down, kKeyEscape}));
  }
  EXPECT_FALSE(op.next_key().has_value());
}

TEST(CliOperator, StatusShowsTextAndSkipsTheBlankReset) {
  std::istringstream in;
  std::ostringstream out;
  CliOperator op(in, out, false);
  op.set_status(0, "              Outputing Data，ESC Key to Stop!");
  op.set_status(0, " ");
  EXPECT_EQ(out.str(), "Outputing Data，ESC Key to Stop!\n");
}

}  // namespace
}  // namespace lumetch
