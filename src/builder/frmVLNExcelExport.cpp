#include "frmVLNExcelExport.h"

#include "BuilderWidgets.h"
#include "BusyCursor.h"
#include "frmQDM.h"
#include "platform/Connection.h"
#include "platform/ConnectionString.h"
#include "platform/RecordSet.h"
#include "platform/VLNError.h"
#include "shared/BuilderSettings.h"
#include "storage/WorkbookExport.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lorvane {

namespace {
// The row count from which the data report is not offered.
constexpr qint64 kPivotOnlyRows = 65536;
}  // namespace

frmVLNExcelExport::frmVLNExcelExport(frmQDM& window, std::shared_ptr<RecordSet> results, QString statement,
                                     QString partialNote)
    : QDialog(&window), w_(window), results_(std::move(results)), statement_(std::move(statement)) {
    setObjectName(QStringLiteral("frmVLNExcelExport"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Export to Excel"));
    auto* page = new QVBoxLayout(this);
    auto* frame = captionFrame(this, "fraExcelOptions", 0);
    frame->setTitle(QStringLiteral("Excel Report Options"));
    auto* frameLayout = new QVBoxLayout(frame);
    options_[0] = namedRadio(frame, "optExcel(0)", QStringLiteral("Create Pivot Table Report"));
    options_[1] = namedRadio(frame, "optExcel(1)", QStringLiteral("Create a Data Report"));
    for (QRadioButton* b : options_)
        frameLayout->addWidget(b);
    page->addWidget(frame);
    if (!partialNote.isEmpty()) {
        auto* note = new QLabel(partialNote, this);
        note->setObjectName(QStringLiteral("lblPartialResult"));
        note->setWordWrap(true);
        page->addWidget(note);
        full_ = new QCheckBox(QStringLiteral("Export the full result (the query is run again, reading only)"), this);
        full_->setObjectName(QStringLiteral("chkExportFullResult"));
        page->addWidget(full_);
    }
    auto* buttons = new QHBoxLayout;
    auto* ok = commandButton(this, "cmdOK", QStringLiteral("&OK"));
    auto* cancel = commandButton(this, "cmdCancel", QStringLiteral("&Cancel"));
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    page->addLayout(buttons);

    options_[1]->setChecked(true);
    if (results_ && results_->IsOpen() && results_->RecordCount() >= kPivotOnlyRows) {
        options_[1]->setChecked(false);
        options_[1]->setEnabled(false);
        options_[0]->setChecked(true);
        pivot_ = true;
    }
    connect(options_[0], &QRadioButton::clicked, this, [this] { pivot_ = true; });
    connect(options_[1], &QRadioButton::clicked, this, [this] { pivot_ = false; });
    connect(ok, &QPushButton::clicked, this, &frmVLNExcelExport::exportNow);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmVLNExcelExport::exportNow() {
    const std::optional<QString> path = w_.prompts().saveFileName(
        {QStringLiteral("Export Query Results"), QStringLiteral("Excel workbook (*.xlsx)"), QString(), QStringLiteral("xlsx")});
    if (!path || path->isEmpty())
        return;
    const BuilderSettings& s = BuilderSettings::shared();
    const QString connection =
        s.ActiveConnection ? ConnectionString(s.ActiveConnection->ConnectionString()).withoutPassword() : QString();
    w_.SetStatusText(QStringLiteral("Exporting Data to Excel .."));
    WorkbookExport::Result written;
    try {
        BusyCursor busy;
        if (!results_)
            throw VLNError(ErrorNumber::NotUsable, QStringLiteral("Lorvane.WorkbookExport"),
                           QStringLiteral("there are no query results to export"));
        const WorkbookExport::Report report = pivot_ ? WorkbookExport::Report::Pivot : WorkbookExport::Report::Data;
        if (full_ && full_->isChecked()) {
            // The same statement again, every row, with the guarantees of a run: one statement
            // that only reads. Its rows go into the workbook as they arrive, so a result of
            // any size is written without being held.
            if (!s.ActiveConnection)
                throw VLNError(ErrorNumber::NotUsable, QStringLiteral("Lorvane.WorkbookExport"),
                               QStringLiteral("there is no connection to run the query on"));
            w_.SetStatusText(QStringLiteral("Running Query .."));
            written = WorkbookExport::writeRun(*path, *s.ActiveConnection, statement_, report, {connection, statement_});
        } else {
            written = WorkbookExport::write(*path, *results_, report, {connection, statement_});
        }
    } catch (const VLNError& e) {
        w_.prompts().message({QStringLiteral("Error raised by Excel : ") + e.description() + u'.' + u'\n' +
                                  QStringLiteral("Please ensure that you are using Excel 2000 or above ") +
                                  QStringLiteral("and that both UserID and Password have been included as part ") +
                                  QStringLiteral("of the 'VLNMakeConnection' Methods 'ConnectionString' attribute ") +
                                  QStringLiteral("if required to access selected Database."),
                              QStringLiteral("Error exporting data to Excel"), Prompts::Icon::Critical});
        w_.SetStatusText(QStringLiteral("Ready .."));
        return;
    }
    // A cell holds 32,767 characters: a longer text is cut, and the user is told.
    if (written.cutTexts > 0)
        w_.prompts().message(
            {written.cutTexts == 1
                 ? QStringLiteral("The workbook is saved. 1 text was longer than a cell holds (32,767 characters) "
                                  "and was cut to fit.")
                 : QStringLiteral("The workbook is saved. %1 texts were longer than a cell holds (32,767 characters) "
                                  "and were cut to fit.")
                       .arg(written.cutTexts),
             QStringLiteral("Export to Excel"), Prompts::Icon::Information});
    // The workbook is shown to the user with the desktop's program for it.
    if (w_.prompts().openDocument(*path))
        w_.SetStatusText(QStringLiteral("Ready .."));
    else
        w_.SetStatusText(QStringLiteral("Ready .. the workbook is saved as ") + *path);
}

}  // namespace lorvane
