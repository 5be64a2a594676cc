#pragma once

#include <QCoreApplication>
#include <QString>

namespace tolvane {

/// The one error of every lookup engine; its description is what a failed reply shows.
class LookupError {
    Q_DECLARE_TR_FUNCTIONS(LookupError)

public:
    enum class Kind { network, emptyQuery, noCatalogResult, missingAPIKey, parseFailed };

    static LookupError network(QString message);
    static LookupError emptyQuery() { return LookupError(Kind::emptyQuery); }
    static LookupError noCatalogResult() { return LookupError(Kind::noCatalogResult); }
    static LookupError missingAPIKey() { return LookupError(Kind::missingAPIKey); }
    static LookupError parseFailed() { return LookupError(Kind::parseFailed); }

    Kind kind() const { return m_kind; }
    QString description() const;

    bool operator==(const LookupError &other) const;

private:
    explicit LookupError(Kind kind)
        : m_kind(kind)
    {
    }
    Kind m_kind;
    QString m_message;
};

} // namespace tolvane
