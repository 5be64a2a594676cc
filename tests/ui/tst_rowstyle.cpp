#include "library/MovieItem.h"
#include "ui/RowStyle.h"

#include <QTest>

using namespace tolvane;

namespace {

MovieMatch match(const QString &title, std::optional<int> year, std::optional<QString> alt = std::nullopt)
{
    MovieMatch match;
    match.title = title;
    match.year = year;
    match.selectedAltTitle = alt;
    return match;
}

} // namespace

Q_DECLARE_METATYPE(tolvane::BadgeStyle)

class TestRowStyle : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void badges_data()
    {
        QTest::addColumn<QList<EngineReply>>("replies");
        QTest::addColumn<std::optional<SearchEngine>>("chosen");
        QTest::addColumn<BadgeStyle>("expected"); // of the VK badge
        using S = EngineReplyStatus;
        const EngineReply agent{SearchEngine::yandexAI, S::success(match("Alien", 1979)), {}};
        QTest::newRow("no VK reply") << QList<EngineReply>{agent} << std::optional(SearchEngine::yandexAI)
                                     << BadgeStyle{'V', Tone::secondary, Tone::secondary, 0.08, "VK Video"};
        QTest::newRow("pending") << QList<EngineReply>{{SearchEngine::vkvideo, S::pending(), {}}}
                                 << std::optional<SearchEngine>()
                                 << BadgeStyle{'V', Tone::orange, Tone::orange, 0.15, "VK Video: searching…"};
        QTest::newRow("failed") << QList<EngineReply>{{SearchEngine::vkvideo, S::failed("No VK video results"), {}}}
                                << std::optional<SearchEngine>()
                                << BadgeStyle{'V', Tone::red, Tone::red, 0.12, "VK Video: No VK video results"};
        const EngineReply vk{SearchEngine::vkvideo, S::success(match("Alien", 1979, "Чужой")), {}};
        QTest::newRow("success, chosen") << QList<EngineReply>{agent, vk} << std::optional(SearchEngine::vkvideo)
                                         << BadgeStyle{'V', Tone::primary, Tone::green, 0.28,
                                                "VK Video: Alien[Чужой](1979) (chosen)"};
        QTest::newRow("success, another chosen")
            << QList<EngineReply>{agent, vk} << std::optional(SearchEngine::yandexAI)
            << BadgeStyle{'V', Tone::primary, Tone::green, 0.12, "VK Video: Alien[Чужой](1979)"};
        // Only the first reply of an engine counts.
        QTest::newRow("first of two") << QList<EngineReply>{{SearchEngine::vkvideo, S::pending(), {}}, vk}
                                      << std::optional(SearchEngine::vkvideo)
                                      << BadgeStyle{'V', Tone::orange, Tone::orange, 0.15, "VK Video: searching…"};
    }
    void badges()
    {
        QFETCH(QList<EngineReply>, replies);
        QFETCH(std::optional<SearchEngine>, chosen);
        QFETCH(BadgeStyle, expected);
        const BadgeStyle badge = badgeStyle(SearchEngine::vkvideo, replies, chosen);
        QCOMPARE(badge.help, expected.help);
        QVERIFY(badge == expected);
    }

    void statusLine()
    {
        MovieItem item(QByteArray("/films/a.mkv"));
        QCOMPARE(rowStatusStyle(item), (RowStatusStyle{"—", Tone::gray, Tone::secondary}));
        item.setStatus(LookupStatus::failed("timed out"));
        QCOMPARE(rowStatusStyle(item), (RowStatusStyle{"Error: timed out", Tone::red, Tone::red}));
        item.setStatus(LookupStatus::ready());
        item.setProposedName(QStringLiteral("A(1999).mkv"));
        QCOMPARE(rowStatusStyle(item), (RowStatusStyle{"A(1999).mkv", Tone::green, Tone::primary}));
        item.setIsRenamed(true);
        QCOMPARE(rowStatusStyle(item), (RowStatusStyle{"A(1999).mkv", Tone::blue, Tone::blue}));
    }
};

QTEST_GUILESS_MAIN(TestRowStyle)
#include "tst_rowstyle.moc"
