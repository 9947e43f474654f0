// A settings file in the INI format as people write it: sections and keys matched without regard
// to case, blanks around "=", ";" and "#" comments; rewriting it keeps every line it does not
// change and holds each key once.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>
#include <vector>

class CIniFile {
public:
    // Larger than any settings file the program writes by far: a bigger one is not ours.
    static constexpr qint64 kMaxSize = 1 << 20;

    enum class LoadResult { Loaded, Missing, Refused };
    // Reads `path` without ever blocking. A file that is not a regular file, or is larger than
    // kMaxSize, is refused with the reason in `why`, and the text stays empty.
    LoadResult Load(const QString& path, QString* why = nullptr);
    void Parse(const QByteArray& text);

    std::optional<QString> Value(const QString& section, const QString& key) const;
    // Changes the key's first line in place and drops its other lines, or adds the key at the
    // end of its section.
    void SetValue(const QString& section, const QString& key, const QString& value);
    QByteArray Text() const;

    static QString Escape(const QString& value);
    static QString Unescape(const QString& text);

private:
    struct Line {
        QString text;
        bool removed = false;
    };
    struct Section {
        std::vector<Line> lines; // the header first, except for the lines before any header
        QHash<QString, std::vector<int>> keys; // lower-case key -> its lines, first one counts
    };

    static QString Fold(const QString& name) { return name.toLower(); }
    void AddLine(const QString& text);

    std::vector<Section> m_sections;
    QHash<QString, std::vector<int>> m_sectionIndex; // lower-case name -> its sections
};
