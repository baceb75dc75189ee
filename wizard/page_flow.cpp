#include "wizard/page_flow.h"

FlowStep StepOn(WizardPage page, WizardEvent event) {
    using enum WizardPage;
    auto show = [](WizardPage next) { return FlowStep{FlowAction::ShowPage, next}; };
    switch (event) {
        case WizardEvent::Close:
            return {FlowAction::Terminate};
        case WizardEvent::JobFinished:  // the job runs only while Wait shows
            return show(Agreement);
        case WizardEvent::InstallationDone:
            return show(Finished);
        case WizardEvent::Next:
            switch (page) {
                case Welcome: return show(Folders);
                case Folders: return {FlowAction::StartJob};
                case Agreement: return show(Installing);
                case Finished: return {FlowAction::Finish};
                case Wait:
                case Installing: return {};
            }
            break;
        case WizardEvent::Back:
            switch (page) {
                case Folders: return show(Welcome);
                case Agreement: return show(Folders);
                case Welcome:
                case Wait:
                case Installing:
                case Finished: return {};
            }
            break;
    }
    return {};
}

ButtonRules ButtonRulesOn(WizardPage page, const PageState& state) {
    using Enabled = ButtonRule::Enabled;
    constexpr TextId kNext = TextId::Next, kBack = TextId::Back, kFinish = TextId::Finish, kKeep = TextId::None;
    switch (page) {
        case WizardPage::Welcome:
            return {{true, Enabled::Yes, kNext}, {false, Enabled::AsItWas, kBack}};
        case WizardPage::Wait:
            return {{false, Enabled::AsItWas, kNext}, {false, Enabled::AsItWas, kBack}};
        case WizardPage::Folders:
            // Judged before the page's action refills the list: the action keeps the selection.
            return {{true, state.selectionEmpty ? Enabled::No : Enabled::Yes, kNext}, {true, Enabled::AsItWas, kBack}};
        case WizardPage::Agreement:
            return {{true, state.acceptTicked ? Enabled::Yes : Enabled::No, kNext}, {true, Enabled::AsItWas, kBack}};
        case WizardPage::Installing:
            return {{false, Enabled::AsItWas, kKeep}, {false, Enabled::AsItWas, kKeep}};
        case WizardPage::Finished:
            // Next stays enabled as it was when pressed on the Agreement page.
            return {{true, Enabled::AsItWas, kFinish}, {false, Enabled::AsItWas, kKeep}};
    }
    return {};
}
