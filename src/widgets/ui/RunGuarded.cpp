#include "widgets/ui/RunGuarded.h"

#include "KrdlVersion.h"
#include "common/Error.h"
#include "widgets/ui/arMessageBox.h"

using namespace Qt::StringLiterals;

bool RunGuarded(QWidget* owner, const std::function<void()>& command)
{
    QString error;
    try {
        command();
        return true;
    } catch (const KrdlError& e) {
        error = e.Message();
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    }
    // Shown outside the handler: the box runs an event loop, and the exception object need not
    // live through it.
    arMessageBox(QString::fromLatin1(kApplicationTitle), error, {u"OK"_s}, miError, 0, poMainFormCenter, true, owner);
    return false;
}
