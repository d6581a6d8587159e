#include "platform/ScriptedPrompts.h"

#include <gtest/gtest.h>

using namespace lorvane;

TEST(ScriptedPrompts, RecordsEveryPromptAndAnswersFromTheScriptInOrder) {
    ScriptedPrompts p;
    p.answer(Prompts::Answer::No);
    p.type(QStringLiteral("My View"));
    p.choose(QStringLiteral("/tmp/q.vln"));
    const Prompts::Message close{QStringLiteral("You have chosen to close"), QStringLiteral("Closing"),
                                 Prompts::Icon::Question, Prompts::Buttons::YesNoCancel, 0};
    EXPECT_EQ(p.message(close), Prompts::Answer::No);
    EXPECT_EQ(p.input(QStringLiteral("View name"), QStringLiteral("Create View"), QString()), QStringLiteral("My View"));
    EXPECT_EQ(p.saveFileName({QStringLiteral("Save Query"), QStringLiteral("Query files (*.vln)"), {}, "vln"}),
              QStringLiteral("/tmp/q.vln"));
    ASSERT_EQ(p.records().size(), 3);
    EXPECT_EQ(p.records()[0].text, "You have chosen to close");
    EXPECT_EQ(p.records()[0].icon, Prompts::Icon::Question);
    EXPECT_EQ(p.records()[0].buttons, Prompts::Buttons::YesNoCancel);
    EXPECT_EQ(p.records()[2].kind, ScriptedPrompts::Record::Kind::SaveFile);
    EXPECT_EQ(p.unscripted(), 0);
}

TEST(ScriptedPrompts, UnscriptedPromptsTakeTheDefaultOrCancelAndAreCounted) {
    ScriptedPrompts p;
    EXPECT_EQ(p.message({QStringLiteral("?"), {}, Prompts::Icon::Question, Prompts::Buttons::YesNoCancel, 2}),
              Prompts::Answer::Cancel);
    EXPECT_EQ(p.openFileName({}), std::nullopt);
    EXPECT_FALSE(p.openDocument(QStringLiteral("help.chm")));
    // A reply of the wrong kind is not consumed by the wrong prompt.
    p.answer(Prompts::Answer::Yes);
    EXPECT_EQ(p.input(QStringLiteral("?"), {}, {}), std::nullopt);
    EXPECT_EQ(p.pending(), 1);
    EXPECT_EQ(p.unscripted(), 4);
}

TEST(Prompts, DefaultAnswerFollowsTheDefaultButton) {
    EXPECT_EQ(Prompts::defaultAnswer(Prompts::Buttons::YesNo, 1), Prompts::Answer::No);
    EXPECT_EQ(Prompts::defaultAnswer(Prompts::Buttons::OkCancel, 0), Prompts::Answer::Ok);
    EXPECT_EQ(Prompts::defaultAnswer(Prompts::Buttons::YesNoCancel, 9), Prompts::Answer::Yes);
}
