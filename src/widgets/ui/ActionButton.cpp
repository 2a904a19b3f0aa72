#include "widgets/ui/ActionButton.h"

#include <QAction>

ActionButton::ActionButton(QAction* action, HintMode hint, QWidget* parent) : QPushButton(parent)
{
    const auto follow = [this, action, hint] {
        setText(action->text());
        setEnabled(action->isEnabled());
        if (hint == ShowHint)
            setToolTip(action->toolTip());
    };
    follow();
    connect(action, &QAction::changed, this, follow);
    connect(this, &QPushButton::clicked, action, &QAction::trigger);
}
