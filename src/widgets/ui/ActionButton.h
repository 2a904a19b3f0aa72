#pragma once
// A push button bound to an action, the way a form binds its buttons to its action list: the
// button shows the action's caption and enabled state, and a click triggers the action. The
// enabling pass sets only the action; every button bound to it follows.

#include <QPushButton>

class QAction;

class ActionButton : public QPushButton {
    Q_OBJECT
public:
    // ShowHint: the button also shows the action's hint as its tooltip (forms that show hints).
    enum HintMode { NoHint, ShowHint };

    ActionButton(QAction* action, HintMode hint, QWidget* parent);
};
