#include "tools/DistanceReportDlg.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/Prompter.h"
#include "document/StringTable.h"
#include "document/TAVDoc.h"

namespace {

constexpr char kTitle[] = "Raport odległości punktów";
constexpr char kIdealBox[] = "Punkty idealne";
constexpr char kMeasuredBox[] = "Punkty zmierzone";
constexpr char kPrefixLabel[] = "Stały prefiks w nazwie punktu:";
constexpr char kStartLabel[] = "Numer początkowy:";
constexpr char kLocalCheck[] = "Wyniki w lokalnym układzie współrzędnych";

QLineEdit* Edit(int id, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::number(id));
    return e;
}

QGroupBox* SetBox(const char* title, QLineEdit* prefix, QLineEdit* start, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    auto* grid = new QGridLayout(box);
    auto* prefixLabel = new QLabel(kPrefixLabel, box);
    prefixLabel->setBuddy(prefix);
    auto* startLabel = new QLabel(kStartLabel, box);
    startLabel->setBuddy(start);
    grid->addWidget(prefixLabel, 0, 0);
    grid->addWidget(prefix, 0, 1);
    grid->addWidget(startLabel, 1, 0);
    grid->addWidget(start, 1, 1);
    return box;
}

// A time format without its time zone (the 't' fields outside quotes).
QString WithoutZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == '\'') {
            quoted = !quoted;
        }
        if (quoted || c != 't') {
            out += c;
        }
    }
    return out.trimmed();
}

}  // namespace

CDistanceReportDlg::CDistanceReportDlg(CPrompter& prompter, QWidget* parent)
    : QDialog(parent), m_prompter(prompter) {
    setObjectName("179");
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    m_idealPrefix = Edit(1116, this);
    m_idealStart = Edit(1117, this);
    m_measuredPrefix = Edit(1118, this);
    m_measuredStart = Edit(1119, this);
    layout->addWidget(SetBox(kIdealBox, m_idealPrefix, m_idealStart, this));
    layout->addWidget(SetBox(kMeasuredBox, m_measuredPrefix, m_measuredStart, this));
    m_local = new QCheckBox(kLocalCheck, this);
    m_local->setObjectName("1132");
    layout->addWidget(m_local);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
    buttons->button(QDialogButtonBox::Ok)->setText("Tak");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("2");
    buttons->button(QDialogButtonBox::Cancel)->setText("Przerwij");
    connect(buttons, &QDialogButtonBox::accepted, this, &CDistanceReportDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CDistanceReportDlg::accept() {
    SReportQuery q;
    const auto readSet = [this](QLineEdit* prefix, QLineEdit* start, std::string& outPrefix,
                                int& outStart) {
        outPrefix = TrimReportPrefix(prefix->text().toStdString());
        if (!ParseReportStart(start->text().toStdString(), outStart)) {
            m_prompter.ShowMessage(kReportStartRange, CPrompter::EIcon::Warning);
            start->setFocus();
            start->selectAll();
            return false;
        }
        return true;
    };
    if (!readSet(m_idealPrefix, m_idealStart, q.idealPrefix, q.idealStart) ||
        !readSet(m_measuredPrefix, m_measuredStart, q.measuredPrefix, q.measuredStart)) {
        return;
    }
    q.local = m_local->isChecked();
    if (ReportNamesClash(q)) {
        m_prompter.ShowMessage(LoadStr(kIdsReportNamesClash), CPrompter::EIcon::Warning);
        m_idealPrefix->setFocus();
        return;
    }
    m_values = q;
    QDialog::accept();
}

SReportFormat LocaleReportFormat(const QLocale& locale) {
    SNumberStyle style;
    style.decimalPoint = locale.decimalPoint().toStdString();
    style.groupSeparator = locale.numberOptions() & QLocale::OmitGroupSeparator
                               ? std::string()
                               : locale.groupSeparator().toStdString();
    style.minusSign = locale.negativeSign().toStdString();
    style.decimals = 3;
    SReportFormat f;
    f.number = [style](const std::string& lf) { return FormatNumberText(lf, style); };
    f.clock = [locale]() {
        const QDateTime now = QDateTime::currentDateTime();
        const QString time =
            locale.toString(now.time(), WithoutZone(locale.timeFormat(QLocale::LongFormat)));
        return SReportStamp{locale.toString(now.date(), QLocale::ShortFormat).toStdString(),
                            time.toStdString()};
    };
    return f;
}

void OnDistanceReport(CTAVDoc& doc, QWidget* parent, const ReportFileChooser& chooseFile,
                      CProgress* progress) {
    CDistanceReportDlg dlg(doc.Prompter(), parent);
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    MakeDistanceReport(doc, dlg.Values(), chooseFile, LocaleReportFormat(), progress);
}
