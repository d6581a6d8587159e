#include "HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace lorvane {

HelpWindow::HelpWindow(const QString& guide, const QString& caption, QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption + QStringLiteral(" - Help"));
    auto* layout = new QVBoxLayout(this);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("txtHelp"));
    browser_->setOpenExternalLinks(true);
    browser_->setSource(QUrl::fromLocalFile(guide));
    layout->addWidget(browser_);
    resize(760, 640);
}

QString HelpWindow::userGuide() {
    const QString relative = QStringLiteral("/doc/lorvane/guide/index.html");
    const QStringList places{
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share") + relative,
        QStringLiteral(LORVANE_INSTALLED_DATADIR) + relative,
        QStringLiteral(LORVANE_SOURCE_GUIDE),
    };
    for (const QString& place : places)
        if (QFileInfo(place).isFile())
            return QDir::cleanPath(QFileInfo(place).absoluteFilePath());
    return {};
}

}  // namespace lorvane
