// The window's message sink under the scheduler's stream of position posts, and the status
// panes that show them.
#include "ViewTest.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <tuple>
#include <vector>

#include <QElapsedTimer>
#include <QLabel>
#include <QStatusBar>

#include "app/CGuiServices.h"
#include "app/CStatusPanes.h"
#include "song/Messages.h"

namespace tessaron::test {

namespace {

// Counts the layout requests a widget receives.
class LayoutCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::LayoutRequest) {
            ++requests;
        }
        return false;
    }
    int requests = 0;
};

using Delivery = std::tuple<uint32_t, intptr_t, intptr_t>;

}  // namespace

class MessageSinkTest : public QObject {
    Q_OBJECT

private slots:
    void positionsCoalesceToTheLatestAndOtherMessagesKeepEveryPost()
    {
        QObject receiver;
        std::vector<Delivery> got;
        CGuiMessageSink sink(&receiver, [&got](uint32_t message, intptr_t first, intptr_t second) {
            got.emplace_back(message, first, second);
        });
        QElapsedTimer clock;
        clock.start();
        std::atomic<bool> done{false};
        std::thread poster([&] {
            for (int i = 1; i <= 1000; ++i) {
                sink.post(message::kBarBeat, i % 4, i);
                if (i % 100 == 0) {
                    sink.post(message::kMediumState, 1, i);
                    sink.post(message::kTimeDisplay, 0, i);
                }
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
            done = true;
        });
        const auto lastBarBeat = [&got] {
            intptr_t last = 0;
            for (const auto& [message, first, second] : got) {
                last = message == message::kBarBeat ? second : last;
            }
            return last;
        };
        QTRY_VERIFY_WITH_TIMEOUT(done.load() && lastBarBeat() == 1000, 10000);
        poster.join();
        const double elapsedMs = static_cast<double>(clock.elapsed());

        std::vector<intptr_t> positions;
        std::vector<intptr_t> states;
        std::vector<intptr_t> times;
        for (const auto& [message, first, second] : got) {
            if (message == message::kBarBeat) {
                QCOMPARE(first, second % 4);  // the pair of one post, never mixed
                positions.push_back(second);
            } else if (message == message::kMediumState) {
                states.push_back(second);
            } else if (message == message::kTimeDisplay) {
                times.push_back(second);
            }
        }
        // Every state change arrives, in order; positions only as often as frames pass.
        QCOMPARE(states, (std::vector<intptr_t>{100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}));
        QVERIFY(std::is_sorted(positions.begin(), positions.end()));
        QVERIFY2(positions.size() <= static_cast<size_t>(elapsedMs / CGuiMessageSink::kFrameMs) + 3,
                 qPrintable(QStringLiteral("%1 deliveries in %2 ms").arg(positions.size()).arg(elapsedMs)));
        QVERIFY(positions.size() < 200);
        QVERIFY(!times.empty());
        QCOMPARE(times.back(), intptr_t{1000});
    }

    void aQuietSinkHandsTheNextPositionOnAtOnce()
    {
        QObject receiver;
        std::vector<Delivery> got;
        CGuiMessageSink sink(&receiver, [&got](uint32_t message, intptr_t first, intptr_t second) {
            got.emplace_back(message, first, second);
        });
        sink.post(message::kSongCursor, 0, 7);
        QTRY_COMPARE(got.size(), size_t(1));
        // After a frame without posts, a new position is not held back by a frame's wait.
        QTest::qWait(3 * CGuiMessageSink::kFrameMs);
        QElapsedTimer clock;
        clock.start();
        sink.post(message::kSongCursor, 0, 8);
        QCoreApplication::processEvents();
        QCOMPARE(got.size(), size_t(2));
        QCOMPARE(std::get<2>(got.back()), intptr_t{8});
        QVERIFY(clock.elapsed() < CGuiMessageSink::kFrameMs);
    }

    void postsWaitingWhenTheSinkGoesAreDropped()
    {
        QObject receiver;
        int calls = 0;
        {
            CGuiMessageSink sink(&receiver, [&calls](uint32_t, intptr_t, intptr_t) { ++calls; });
            sink.post(message::kBarBeat, 1, 2);
            sink.post(message::kMediumState, 0, 0);
        }
        QTest::qWait(3 * CGuiMessageSink::kFrameMs);
        QCOMPARE(calls, 0);
    }

    void newPositionsRepaintThePaneWithoutALayoutOfTheBar()
    {
        QStatusBar bar;
        CStatusPanes panes(bar);
        bar.resize(800, 30);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QCoreApplication::processEvents();
        LayoutCounter counter;
        bar.installEventFilter(&counter);
        for (int i = 0; i < 50; ++i) {
            panes.SetBarBeat(1 + i, 1 + i % 4, (i * 37) % 1000);
            panes.SetTime(i * 1234);
            panes.SetMemory(int64_t{i} * 1048576, 64 * 1048576);
            QCoreApplication::processEvents();
        }
        QCOMPARE(counter.requests, 0);
        QCOMPARE(panes.Text(1), QStringLiteral("01:00.4"));

        // The pane is as high as a label of its font asks, also after a new font.
        QLabel plain(QStringLiteral("1.1.0"));
        plain.setFrameStyle(QFrame::Panel | QFrame::Sunken);
        auto* pane = bar.findChild<QLabel*>(QStringLiteral("pane1"));
        QVERIFY(pane);
        QCOMPARE(pane->height(), plain.sizeHint().height());
        QFont large = bar.font();
        large.setPointSize(large.pointSize() * 2);
        bar.setFont(large);
        plain.setFont(large);
        QCoreApplication::processEvents();
        QCOMPARE(pane->height(), plain.sizeHint().height());
        QCOMPARE(pane->width(), 100);
    }
};

TESSARON_VIEW_TEST(MessageSinkTest);

}  // namespace tessaron::test

#include "MessageSinkTest.moc"
