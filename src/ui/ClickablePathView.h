#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class QToolButton;
class QVBoxLayout;

namespace tolvane {

class InfoLabel;

/// The path's components, "/" and empty ones dropped, and whether a separator comes first.
struct PathSegments {
    QStringList segments;
    bool leadingSeparator = false;
    bool operator==(const PathSegments &) const = default;
};
PathSegments pathSegments(const QString &path);

/// A path shown one component per line, each a link that reports its text.
class ClickablePathView : public QWidget {
    Q_OBJECT
public:
    explicit ClickablePathView(QWidget *parent = nullptr);
    void setPath(const QString &path);

Q_SIGNALS:
    void tokenClicked(const QString &token);

private:
    struct Line {
        QWidget *row;
        InfoLabel *separator;
        QToolButton *segment;
    };
    QList<Line> m_lines; // kept and re-labelled: switching rows makes no widgets
    QVBoxLayout *m_column = nullptr;
};

} // namespace tolvane
