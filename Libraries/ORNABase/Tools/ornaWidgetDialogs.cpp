#include "ornaWidgetDialogs.h"

#include "ornaLogging.h"
#include "ornaWidgetHooks.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace ORNAWidgetDialogs {

namespace {

bool isGraphical()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}

bool enterGraphicalError()
{
    if (!isGraphical())
        return false;
    if (QWidget *splash = ORNAStartupInfo::instance().splashScreen)
        splash->hide();
    return true;
}

void showCriticalError(const QString &message)
{
    QMessageBox box(QMessageBox::Critical,
                    QCoreApplication::translate("ORNABasics", "Halvaron Critical Error"), message,
                    QMessageBox::Ok);
    box.setDefaultButton(static_cast<QPushButton *>(nullptr));
    box.exec();
}

bool confirmOverwrite(const QString &target, const QString &archivePath)
{
    // Without a graphical application nobody can be asked, and nobody confirmed.
    if (!isGraphical())
        return false;
    QMessageBox box(QMessageBox::Warning, QCoreApplication::translate("ORNAZipFile", "Halvaron"),
                    QCoreApplication::translate("ORNAZipFile", "Should the file %1 be overwritten "
                                                               "by a file contained in zipfile %2")
                        .arg(target, archivePath));
    QPushButton *yes =
        box.addButton(QCoreApplication::translate("ORNAZipFile", "&Yes"), QMessageBox::YesRole);
    box.addButton(QCoreApplication::translate("ORNAZipFile", "&No"), QMessageBox::NoRole);
    box.exec();
    return box.clickedButton() == yes;
}

} // namespace

void install()
{
    ORNAWidgetHooks &hooks = ORNAWidgetHooks::instance();
    hooks.enterGraphicalError = enterGraphicalError;
    hooks.showCriticalError = showCriticalError;
    hooks.confirmOverwrite = confirmOverwrite;
}

} // namespace ORNAWidgetDialogs
