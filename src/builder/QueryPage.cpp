#include "QueryPage.h"

#include "BuilderWidgets.h"
#include "BusyCursor.h"
#include "ResultsPage.h"
#include "shared/BuilderSettings.h"
#include "shared/clsField.h"
#include "frmQDM.h"
#include "query/Statement.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

namespace lorvane {

QueryPage::QueryPage(frmQDM& window) : QWidget(&window), w_(window) {
    auto* grid = new QGridLayout(this);
    auto* label = captionLabel(this, "lblSQLLabel", 122);
    grid->addWidget(label, 0, 0);
    distinct_ = namedCheck(this, "chkDistinct", QStringLiteral("DISTINCT"));
    grid->addWidget(distinct_, 0, 1, Qt::AlignRight);
    sql_ = new QTextEdit(this);
    sql_->setObjectName(QStringLiteral("txtSQL"));
    sql_->setReadOnly(true);
    sql_->setAcceptRichText(false);
    sql_->setLineWrapMode(QTextEdit::WidgetWidth);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    sql_->setFont(mono);
    grid->addWidget(sql_, 1, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    sqlView_ = commandButton(this, "cmdSQLView", QStringLiteral("SQL"));
    sqlView_->setToolTip(QStringLiteral("Show the SQL statement"));
    sqlView_->hide();
    run_ = commandButton(this, "cmdRunQuery", QStringLiteral("Execute"), 118);
    createView_ = commandButton(this, "cmdCreateView", QStringLiteral("Create View"));
    buttons->addWidget(sqlView_);
    buttons->addStretch();
    buttons->addWidget(createView_);
    buttons->addWidget(run_);
    grid->addLayout(buttons, 2, 0, 1, 2);

    connect(run_, &QPushButton::clicked, this, [this] { w_.resultsPage()->runQuery(); });
    connect(sqlView_, &QPushButton::clicked, this, &QueryPage::sqlView);
    connect(distinct_, &QCheckBox::toggled, this, [this](bool on) {
        w_.state().Distinct = on;
        Statement(w_.state(), clsField::shared()).Regenerate(Statement::Change::DistinctToggled);
        w_.showStatement();
    });
}

void QueryPage::placeCreateView(bool allowed) {
    createView_->setVisible(allowed);
}

void QueryPage::enableRun(bool enabled) {
    run_->setEnabled(enabled);
    createView_->setEnabled(enabled);
}

void QueryPage::sqlView() {
    BusyCursor busy;
    sqlView_->hide();
    distinct_->show();
    Statement(w_.state(), clsField::shared()).SqlViewTidyUp();
    w_.showStatement();
    enableRun(!w_.state().StatementText.trimmed().isEmpty());
    sql_->show();
}

}  // namespace lorvane
