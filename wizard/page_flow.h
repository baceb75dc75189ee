#pragma once
#include "texts/texts.h"

// The wizard's page flow as plain data, without a window: which page follows which, and
// what Next and Back show on each page. The session applies what these give; the guards that
// depend on its state (a worker still running, the end requested) stay in the session.

// The six pages, in the page control's order.
enum class WizardPage { Welcome, Wait, Folders, Agreement, Installing, Finished };

enum class WizardEvent {
    Next,              // Next or Finish, clicked or by its accelerator, also while hidden
    Back,
    Close,             // the close button, on any page
    JobFinished,       // the timer saw the data-folder job finished
    InstallationDone,  // the installing routine returned
};

enum class FlowAction {
    None,       // what a hidden button's accelerator does on the pages that ignore it
    ShowPage,   // show `page`
    StartJob,   // collect the selection and start the data-folder job, which shows Wait
    Finish,     // open the user guide and end the process
    Terminate,  // ask the application to end once back in its message loop
};

struct FlowStep {
    FlowAction action = FlowAction::None;
    WizardPage page = WizardPage::Welcome;  // ShowPage only
};

// What `event` does on `page`.
FlowStep StepOn(WizardPage page, WizardEvent event);

// What a page's entry does to Next or Back.
struct ButtonRule {
    enum class Enabled { AsItWas, Yes, No };
    bool visible = false;
    Enabled enabled = Enabled::AsItWas;
    TextId caption = TextId::None;  // None: the caption stays as it was
};

struct ButtonRules {
    ButtonRule next, back;
};

// What the rules read of the wizard's state.
struct PageState {
    bool selectionEmpty = true;  // the selected installations
    bool acceptTicked = false;   // the agreement's accept box
};

// The rules applied when `page` is entered.
ButtonRules ButtonRulesOn(WizardPage page, const PageState& state);
