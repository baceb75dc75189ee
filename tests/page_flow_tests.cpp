#include <gtest/gtest.h>

#include <string>

#include "wizard/page_flow.h"

namespace {

using enum WizardPage;
constexpr WizardPage kPages[] = {Welcome, Wait, Folders, Agreement, Installing, Finished};
constexpr const char* kPageNames[] = {"Welcome", "Wait", "Folders", "Agreement", "Installing", "Finished"};

std::string Describe(const FlowStep& step) {
    switch (step.action) {
        case FlowAction::None: return "nothing";
        case FlowAction::ShowPage: return std::string("show ") + kPageNames[static_cast<int>(step.page)];
        case FlowAction::StartJob: return "start the job";
        case FlowAction::Finish: return "finish";
        case FlowAction::Terminate: return "terminate";
    }
    return "?";
}

TEST(PageFlow, EveryEventOnEveryPage) {
    constexpr WizardEvent kEvents[] = {WizardEvent::Next, WizardEvent::Back, WizardEvent::Close,
                                       WizardEvent::JobFinished, WizardEvent::InstallationDone};
    // A hidden button's accelerator still raises its event: the pages where it is hidden
    // ignore it. The job's end and the installation's end lead on whatever shows, since each
    // happens on its own page only (Wait, Installing).
    const char* const kExpected[][5] = {
        //            Next             Back            Close        JobFinished       InstallationDone
        /* Welcome */ {"show Folders", "nothing", "terminate", "show Agreement", "show Finished"},
        /* Wait */ {"nothing", "nothing", "terminate", "show Agreement", "show Finished"},
        /* Folders */ {"start the job", "show Welcome", "terminate", "show Agreement", "show Finished"},
        /* Agreement */ {"show Installing", "show Folders", "terminate", "show Agreement", "show Finished"},
        /* Installing */ {"nothing", "nothing", "terminate", "show Agreement", "show Finished"},
        /* Finished */ {"finish", "nothing", "terminate", "show Agreement", "show Finished"},
    };
    for (int p = 0; p < 6; ++p)
        for (int e = 0; e < 5; ++e)
            EXPECT_EQ(Describe(StepOn(kPages[p], kEvents[e])), kExpected[p][e]) << kPageNames[p] << ", event " << e;
}

std::string Describe(const ButtonRule& rule) {
    std::string text = rule.visible ? "shown" : "hidden";
    text += rule.enabled == ButtonRule::Enabled::Yes  ? ", enabled"
            : rule.enabled == ButtonRule::Enabled::No ? ", disabled"
                                                       : "";
    return text + (rule.caption ? ", text " + std::to_string(rule.caption) : "");
}

TEST(PageFlow, ButtonRulesOnEntering) {
    struct Case {
        WizardPage page;
        bool selectionEmpty, acceptTicked;
        const char* next;
        const char* back;
    };
    const Case kCases[] = {
        {Welcome, true, false, "shown, enabled, text 1", "hidden, text 2"},
        {Wait, false, true, "hidden, text 1", "hidden, text 2"},
        {Folders, true, true, "shown, disabled, text 1", "shown, text 2"},
        {Folders, false, false, "shown, enabled, text 1", "shown, text 2"},
        {Agreement, false, false, "shown, disabled, text 1", "shown, text 2"},
        {Agreement, true, true, "shown, enabled, text 1", "shown, text 2"},
        {Installing, false, true, "hidden", "hidden"},
        // Finish is Next with another caption, enabled as it was when pressed on Agreement.
        {Finished, false, true, "shown, text 3", "hidden"},
    };
    for (const Case& c : kCases) {
        const ButtonRules rules = ButtonRulesOn(c.page, {c.selectionEmpty, c.acceptTicked});
        EXPECT_EQ(Describe(rules.next), c.next) << kPageNames[static_cast<int>(c.page)];
        EXPECT_EQ(Describe(rules.back), c.back) << kPageNames[static_cast<int>(c.page)];
    }
}

}  // namespace
