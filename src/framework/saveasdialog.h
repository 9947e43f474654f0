// Save As: the file dialog, with the encoding and the line ends the file is to be written in.
#pragma once

#include "text/bytetext.h"
#include "text/textencoding.h"

#include <QFileDialog>

#include <optional>
#include <vector>

class QComboBox;

// How a text is to be written: its encoding, and its line ends (none: as the text has them).
struct SaveFormat {
    FileEncoding encoding;
    std::optional<LineEnd> lineEnd;
};

class CSaveAsDialog : public QFileDialog {
    Q_OBJECT
public:
    CSaveAsDialog(QWidget* parent, const QString& initialPath, const QString& filter,
                  const SaveFormat& format);
    SaveFormat GetFormat() const;

    QComboBox* m_pEncoding;
    QComboBox* m_pLineEnds;

private:
    std::vector<FileEncoding> m_encodings;
};
