#pragma once
// A program folder with the windows registered and scripted prompts: every
// message box a test does not take is a failure.
#include "support/fixture.h"
#include "support/scripted_prompts.h"

namespace zv::test {

class WindowTest : public ProgramFolderTest {
protected:
    void SetUp() override;
    void TearDown() override;

    ScriptedPrompts* prompts_ = nullptr;
};

}  // namespace zv::test
