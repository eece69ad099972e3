#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include "views/CTimeEdit.h"

using tessaron::CTimeEdit;
using tessaron::CToolBarTimeEdit;

class TimeEditTest : public QObject {
    Q_OBJECT
private slots:
    void typedCharactersOutsideTheTimeSymbolsAreDropped()
    {
        CTimeEdit edit;
        QTest::keyClicks(&edit, "1a2:3 b.4-+x/;9");
        QCOMPARE(edit.text(), QStringLiteral("12:3.4-+9"));
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QTest::keyClick(&edit, Qt::Key_Left);
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), QStringLiteral("12:3.4+"));
        QTest::keyClick(&edit, Qt::Key_Home);
        QTest::keyClicks(&edit, "-");
        QCOMPARE(edit.text(), QStringLiteral("-12:3.4+"));
        // A shortcut still works: select all and type over it.
        QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(&edit, "x7");
        QCOMPARE(edit.text(), QStringLiteral("7"));
    }

    void pasteKeepsOnlyTheTimeCharacters()
    {
        CTimeEdit edit;
        QApplication::clipboard()->setText(QStringLiteral("time: 00:01:2x3.5 s"));
        QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit.text(), QStringLiteral(":00:01:23.5"));
        // Text that arrives without a key press is refused whole when something does not belong.
        edit.clear();
        edit.insert(QStringLiteral("12ab"));
        QCOMPARE(edit.text(), QString());
        edit.insert(QStringLiteral("1:2.5"));
        QCOMPARE(edit.text(), QStringLiteral("1:2.5"));
    }

    void acceptedSymbolsCanBeNarrowed()
    {
        CTimeEdit edit;
        edit.SetAcceptedSymbols(QStringLiteral("."));
        QTest::keyClicks(&edit, "12:0.5-+");
        QCOMPARE(edit.text(), QStringLiteral("120.5"));
        QVERIFY(!edit.Accepts(u':'));
        QCOMPARE(edit.Filtered(QStringLiteral("1,5.2")), QStringLiteral("15.2"));
    }

    void millisecondsInAndOut()
    {
        CTimeEdit edit;
        edit.SetMilliseconds(-1500);
        QCOMPARE(edit.text(), QStringLiteral("-00:00:01.500"));
        edit.SetMilliseconds(0);
        QCOMPARE(edit.text(), QStringLiteral("00:00:00.000"));
        edit.setText(QStringLiteral("1:2.5"));
        QCOMPARE(edit.Milliseconds(), qint64(62500));
        edit.setText(QStringLiteral("1:2.5000"));
        QCOMPARE(edit.Milliseconds(), qint64(62000));
        edit.setText(QStringLiteral("90.25"));
        QCOMPARE(edit.Milliseconds(), qint64(90250));
        edit.SetMilliseconds(83456);
        QCOMPARE(edit.Milliseconds(), qint64(83456));
    }

    void toolBarVariantHandsTheFocusBack()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* target = new QLineEdit(&window);
        auto* edit = new CToolBarTimeEdit(&window);
        auto* next = new QLineEdit(&window);
        layout->addWidget(target);
        layout->addWidget(edit);
        layout->addWidget(next);
        edit->SetFocusTarget(target);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QSignalSpy focusFlag(edit, &CToolBarTimeEdit::editFocusChanged);
        QSignalSpy handedBack(edit, &CToolBarTimeEdit::focusHandedBack);
        for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Return, Qt::Key_Enter}) {
            edit->setFocus();
            QVERIFY(edit->hasFocus());
            QTest::keyClicks(edit, "1.5x");
            QTest::keyPress(edit, key);
            // Tab's press does not walk to the next field; the release hands the focus back.
            QVERIFY(edit->hasFocus());
            QTest::keyRelease(edit, key);
            QVERIFY(target->hasFocus());
            QVERIFY(!next->hasFocus());
        }
        QCOMPARE(handedBack.count(), 3);
        QCOMPARE(edit->text(), QStringLiteral("1.51.51.5"));
        QCOMPARE(focusFlag.count(), 6);
        QCOMPARE(focusFlag.at(0).at(0).toBool(), true);
        QCOMPARE(focusFlag.at(1).at(0).toBool(), false);

        // Other keys' releases keep the focus.
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_2);
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(edit->hasFocus());
    }

    void toolBarVariantWithoutTargetLeavesTheField()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* edit = new CToolBarTimeEdit(&window);
        auto* other = new QLineEdit(&window);
        layout->addWidget(edit);
        layout->addWidget(other);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        QVERIFY(edit->hasFocus());
        QTest::keyClick(edit, Qt::Key_Tab);
        QVERIFY(!edit->hasFocus());
        QVERIFY(!other->hasFocus());
    }
};

QTEST_MAIN(TimeEditTest)
#include "TimeEditTest.moc"
