#include "wizard/page_flow.h"

#include <iterator>

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
    // In the order of WizardPage. Folders and Agreement enable Next from the state below,
    // judged before the page's action refills the list: the action keeps the selection.
    // Finished keeps Next enabled as it was when pressed on the Agreement page.
    static constexpr ButtonRules kRules[] = {
        {{true, Enabled::Yes, kNext}, {false, Enabled::AsItWas, kBack}},        // Welcome
        {{false, Enabled::AsItWas, kNext}, {false, Enabled::AsItWas, kBack}},   // Wait
        {{true, Enabled::AsItWas, kNext}, {true, Enabled::AsItWas, kBack}},     // Folders
        {{true, Enabled::AsItWas, kNext}, {true, Enabled::AsItWas, kBack}},     // Agreement
        {{false, Enabled::AsItWas, kKeep}, {false, Enabled::AsItWas, kKeep}},   // Installing
        {{true, Enabled::AsItWas, kFinish}, {false, Enabled::AsItWas, kKeep}},  // Finished
    };
    const auto index = static_cast<size_t>(page);
    if (index >= std::size(kRules)) return {};
    ButtonRules rules = kRules[index];
    if (page == WizardPage::Folders) rules.next.enabled = state.selectionEmpty ? Enabled::No : Enabled::Yes;
    if (page == WizardPage::Agreement) rules.next.enabled = state.acceptTicked ? Enabled::Yes : Enabled::No;
    return rules;
}
