#include "platform/profile.h"

#include "platform/errors.h"
#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <sys/stat.h>

namespace zv::profile {

namespace {

const QByteArray utf8Bom("\xEF\xBB\xBF");

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QString trimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.mid(first, last - first);
}

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// One line of the file as it is on disk, and what it means.
struct Line {
    QByteArray content;  // without its line ending (and without the file's BOM)
    QByteArray ending;   // "\r\n", "\n" or "" for a last line without one
    enum Kind { Other, Blank, Comment, Section, Key } kind = Other;
    QString name;               // section or key name, blanks trimmed
    qsizetype valueOffset = 0;  // Key: byte offset in content where the value starts
};

struct Document {
    bool bom = false;
    std::vector<Line> lines;
};

Line classify(QByteArray content, QByteArray ending) {
    Line line;
    line.content = std::move(content);
    line.ending = std::move(ending);
    const QString text = QString::fromUtf8(line.content);
    const QString trimmed = trimBlanks(text);
    if (trimmed.isEmpty()) {
        line.kind = Line::Blank;
    } else if (trimmed.startsWith(QLatin1Char(';'))) {
        line.kind = Line::Comment;
    } else if (trimmed.startsWith(QLatin1Char('['))) {
        line.kind = Line::Section;
        const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
        line.name = trimBlanks(trimmed.mid(1, close < 0 ? -1 : close - 1));
    } else {
        const qsizetype equals = line.content.indexOf('=');
        if (equals >= 0) {
            line.kind = Line::Key;
            line.name = trimBlanks(QString::fromUtf8(line.content.left(equals)));
            qsizetype value = equals + 1;
            while (value < line.content.size() && (line.content[value] == ' ' || line.content[value] == '\t'))
                ++value;
            line.valueOffset = value;
        }
    }
    return line;
}

Document parse(QByteArray bytes) {
    Document doc;
    if (bytes.startsWith(utf8Bom)) {
        doc.bom = true;
        bytes.remove(0, utf8Bom.size());
    }
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', start);
        if (newline < 0) {
            doc.lines.push_back(classify(bytes.mid(start), QByteArray()));
            break;
        }
        const bool crlf = newline > start && bytes[newline - 1] == '\r';
        const qsizetype end = crlf ? newline - 1 : newline;
        doc.lines.push_back(classify(bytes.mid(start, end - start), bytes.mid(end, newline + 1 - end)));
        start = newline + 1;
    }
    return doc;
}

QByteArray serialize(const Document& doc) {
    QByteArray out;
    if (doc.bom)
        out += utf8Bom;
    for (const Line& line : doc.lines) {
        out += line.content;
        out += line.ending;
    }
    return out;
}

// The line ending the file already uses; a new file gets "\n".
QByteArray endingOf(const Document& doc) {
    for (const Line& line : doc.lines)
        if (!line.ending.isEmpty())
            return line.ending;
    return QByteArrayLiteral("\n");
}

// Index of the first section header with that name.
std::optional<std::size_t> findSection(const Document& doc, const QString& section) {
    for (std::size_t i = 0; i < doc.lines.size(); ++i)
        if (doc.lines[i].kind == Line::Section && sameName(doc.lines[i].name, section))
            return i;
    return std::nullopt;
}

// One past the last line that belongs to the section starting at `header`.
std::size_t sectionEnd(const Document& doc, std::size_t header) {
    std::size_t i = header + 1;
    while (i < doc.lines.size() && doc.lines[i].kind != Line::Section)
        ++i;
    return i;
}

std::optional<std::size_t> findKey(const Document& doc, std::size_t header, const QString& key) {
    const std::size_t end = sectionEnd(doc, header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (doc.lines[i].kind == Line::Key && sameName(doc.lines[i].name, key))
            return i;
    return std::nullopt;
}

bool hasLineBreak(const QString& text) { return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')); }

// What tells one version of a file from another: an edit in place changes
// the size, the times (to the nanosecond) or both; a replacement changes the
// inode too.
struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    bool operator==(const Stamp& o) const {
        return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec &&
               changed.tv_nsec == o.changed.tv_nsec;
    }
};

std::optional<Stamp> stampOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return Stamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

// A file's values by case-folded section and key: the first section of a
// name, the first key of a name in it, as the lookups above find them.
using Values = QHash<QString, QHash<QString, QString>>;

Values valuesOf(const Document& doc) {
    Values values;
    QSet<QString> seen;
    QHash<QString, QString>* section = nullptr;
    for (const Line& line : doc.lines) {
        if (line.kind == Line::Section) {
            const QString name = line.name.toCaseFolded();
            section = seen.contains(name) ? nullptr : &values[name];
            seen.insert(name);
        } else if (line.kind == Line::Key && section) {
            const QString key = line.name.toCaseFolded();
            if (!section->contains(key))
                section->insert(key, trimBlanks(QString::fromUtf8(line.content.mid(line.valueOffset))));
        }
    }
    return values;
}

// Each file is parsed once per version: a start reads a language file a
// hundred times. Keyed by the path as resolved.
struct Parsed {
    Stamp stamp;
    QByteArray bytes;
    std::shared_ptr<const Values> values;
};

std::mutex cacheLock;

QHash<QString, Parsed>& cache() {
    static QHash<QString, Parsed> files;
    return files;
}

constexpr qsizetype kCachedFiles = 32;

// A file changed this recently may change again within the same tick of
// the file system's clock, size and all, and look the same to stat: its
// bytes are compared too.
bool recent(const Stamp& stamp) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const time_t latest = std::max(stamp.modified.tv_sec, stamp.changed.tv_sec);
    return now.tv_sec - latest < 2;
}

// The values of the file as it is now, parsed only when it changed.
// The values of the file as it is now; nullptr when there is none. A path that
// exists but cannot be read gives nullptr and its reason in `failure`.
std::shared_ptr<const Values> valuesNow(const QString& path, QString* failure = nullptr) {
    QFile file(path);
    const auto unreadable = [&] {
        if (failure)
            *failure = file.errorString().isEmpty() ? QStringLiteral("the file cannot be read") : file.errorString();
        return nullptr;
    };
    const std::optional<Stamp> before = stampOf(path);
    if (!before) {
        // Something stands there that is not a plain file (a folder, say).
        if (QFileInfo::exists(path)) {
            file.open(QIODevice::ReadOnly);
            return unreadable();
        }
        return nullptr;
    }
    Parsed known;
    {
        std::lock_guard lock(cacheLock);
        known = cache().value(path);
    }
    const bool sameStamp = known.values && known.stamp == *before;
    if (sameStamp && !recent(*before))
        return known.values;
    if (!file.open(QIODevice::ReadOnly))
        return unreadable();
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return unreadable();
    if (sameStamp && bytes == known.bytes)
        return known.values;
    auto values = std::make_shared<const Values>(valuesOf(parse(bytes)));
    // A file that changed while it was read is not kept: the next read reads it again.
    if (stampOf(path) == before) {
        std::lock_guard lock(cacheLock);
        if (cache().size() >= kCachedFiles && !cache().contains(path))
            cache().clear();
        cache().insert(path, Parsed{*before, bytes, values});
    }
    return values;
}

void forget(const QString& path) {
    std::lock_guard lock(cacheLock);
    cache().remove(path);
}

}  // namespace

QString resolvePath(const QString& path) {
    const QFileInfo info(path);
    if (info.exists())
        return path;
    const QString name = info.fileName();
    if (name.isEmpty())
        return path;
    QDir folder = info.dir();
    const QStringList entries = folder.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries)
        if (sameName(entry, name))
            return folder.filePath(entry);
    return path;
}

QString read(const QString& path, const QString& section, const QString& key, QString* failure) {
    const std::shared_ptr<const Values> values = valuesNow(resolvePath(path), failure);
    if (!values)
        return QString();
    const auto inSection = values->constFind(trimBlanks(section).toCaseFolded());
    if (inSection == values->constEnd())
        return QString();
    return inSection->value(trimBlanks(key).toCaseFolded());
}

bool write(const QString& path, const QString& section, const QString& key, const QString& value) {
    const QString sectionName = trimBlanks(section);
    const QString keyName = trimBlanks(key);
    // Names or values that would break the file's line structure are refused.
    if (keyName.isEmpty() || keyName.contains(QLatin1Char('=')) || keyName.startsWith(QLatin1Char(';')) ||
        keyName.startsWith(QLatin1Char('[')) || sectionName.contains(QLatin1Char(']')) || hasLineBreak(sectionName) ||
        hasLineBreak(keyName) || hasLineBreak(value))
        return false;

    const QString target = resolvePath(path);
    Document doc;
    QFile file(target);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return false;
        doc = parse(file.readAll());
        file.close();
    }
    const QByteArray ending = endingOf(doc);
    const QByteArray valueBytes = value.toUtf8();

    auto insertAfter = [&](std::size_t index, Line line) {
        if (doc.lines[index].ending.isEmpty())
            doc.lines[index].ending = ending;
        doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(index) + 1, std::move(line));
    };
    auto newLine = [&](const QString& text) {
        Line line;
        line.content = text.toUtf8();
        line.ending = ending;
        return line;
    };

    if (const std::optional<std::size_t> header = findSection(doc, sectionName)) {
        if (const std::optional<std::size_t> existing = findKey(doc, *header, keyName)) {
            Line& line = doc.lines[*existing];
            const QByteArray content = line.content.left(line.valueOffset) + valueBytes;
            if (content == line.content)
                return true;  // unchanged: the file is not written again
            line.content = content;
        } else {
            std::size_t last = *header;
            const std::size_t end = sectionEnd(doc, *header);
            for (std::size_t i = *header + 1; i < end; ++i)
                if (doc.lines[i].kind == Line::Key)
                    last = i;
            insertAfter(last, newLine(keyName + QLatin1Char('=') + value));
        }
    } else {
        if (!doc.lines.empty()) {
            Line& tail = doc.lines.back();
            if (tail.ending.isEmpty())
                tail.ending = ending;
            if (tail.kind != Line::Blank)
                doc.lines.push_back(newLine(QString()));
        }
        doc.lines.push_back(newLine(QLatin1Char('[') + sectionName + QLatin1Char(']')));
        doc.lines.push_back(newLine(keyName + QLatin1Char('=') + value));
    }

    forget(target);
    try {
        files::replaceAtomically(target, serialize(doc));
    } catch (const AppError&) {
        return false;
    }
    return true;
}

Snapshot::Snapshot(const QString& path) : values_(valuesNow(resolvePath(path))) {}

Snapshot Snapshot::ofBytes(const QByteArray& bytes) {
    Snapshot snapshot;
    snapshot.values_ = std::make_shared<const Values>(valuesOf(parse(bytes)));
    return snapshot;
}

QString Snapshot::read(const QString& section, const QString& key) const {
    if (!values_)
        return QString();
    const auto inSection = values_->constFind(trimBlanks(section).toCaseFolded());
    if (inSection == values_->constEnd())
        return QString();
    return inSection->value(trimBlanks(key).toCaseFolded());
}

}  // namespace zv::profile
