#include "support/window_fixture.h"

#include "app/appmain.h"
#include "platform/forms.h"

namespace zv::test {

void WindowTest::SetUp() {
    ProgramFolderTest::SetUp();
    auto scripted = std::make_unique<ScriptedPrompts>();
    prompts_ = scripted.get();
    setPrompts(std::move(scripted));
    shell::registerForms();
}

void WindowTest::TearDown() {
    Forms::unloadAll();
    if (prompts_ && !prompts_->messages.empty()) {
        for (const auto& m : prompts_->messages)
            ADD_FAILURE() << "message box not checked by the test: " << m.text.toStdString();
    }
    setPrompts(nullptr);
    prompts_ = nullptr;
    ProgramFolderTest::TearDown();
}

}  // namespace zv::test
