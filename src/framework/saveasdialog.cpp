#include "framework/saveasdialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

#include <algorithm>

namespace {
// The line-end choices in the order shown; the first keeps those the text has.
constexpr struct {
    const char* label;
    std::optional<LineEnd> lineEnd;
} kLineEnds[] = {
    {"As the file has them", std::nullopt},
    {"LF (Linux, macOS)", LineEnd::Lf},
    {"CRLF (Windows)", LineEnd::CrLf},
    {"CR (classic Mac OS)", LineEnd::Cr},
};
} // namespace

CSaveAsDialog::CSaveAsDialog(QWidget* parent, const QString& initialPath, const QString& filter,
                             const SaveFormat& format)
    : QFileDialog(parent, QString(), initialPath, filter), m_encodings(WritableEncodings()) {
    // Qt's own dialog, which has room for the two choices below the file type.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    m_pEncoding = new QComboBox(this);
    for (const FileEncoding& e : m_encodings)
        m_pEncoding->addItem(QString::fromUtf8(EncodingName(e)));
    const auto it = std::find(m_encodings.begin(), m_encodings.end(), format.encoding);
    m_pEncoding->setCurrentIndex(
        it == m_encodings.end() ? 0 : static_cast<int>(it - m_encodings.begin()));
    m_pEncoding->setMaxVisibleItems(16);
    m_pLineEnds = new QComboBox(this);
    for (const auto& choice : kLineEnds) {
        m_pLineEnds->addItem(QString::fromUtf8(choice.label));
        if (choice.lineEnd == format.lineEnd)
            m_pLineEnds->setCurrentIndex(m_pLineEnds->count() - 1);
    }
    auto* encodingLabel = new QLabel(QStringLiteral("&Encoding:"), this);
    encodingLabel->setBuddy(m_pEncoding);
    auto* lineEndsLabel = new QLabel(QStringLiteral("&Line ends:"), this);
    lineEndsLabel->setBuddy(m_pLineEnds);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int row = grid->rowCount();
        grid->addWidget(encodingLabel, row, 0);
        grid->addWidget(m_pEncoding, row, 1);
        grid->addWidget(lineEndsLabel, row + 1, 0);
        grid->addWidget(m_pLineEnds, row + 1, 1);
    }
}

SaveFormat CSaveAsDialog::GetFormat() const {
    SaveFormat format;
    format.encoding = m_encodings[static_cast<size_t>(std::max(0, m_pEncoding->currentIndex()))];
    format.lineEnd = kLineEnds[std::max(0, m_pLineEnds->currentIndex())].lineEnd;
    return format;
}
