#include "app/form1.h"
#include "support/window_fakes.h"

#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

TEST(Shortcuts, EachKeyRunsItsButtonsHandlerAndNoneWhileTheButtonIsDisabled) {
    const struct {
        const char* key;
        std::function<QPushButton*(Form1&)> button; // nothing: the key closes the window
        std::function<bool(Form1&, const test_support::WindowFakes&)> ran;
    } rows[] {
        { "Ctrl+O", [](Form1& w) { return w.Command4; },
            [](Form1&, auto& fakes) { return fakes.fileRequests.size() == 1; } },
        { "Ctrl+S", [](Form1& w) { return w.Command7; },
            [](Form1&, auto& fakes) {
                return fakes.messages.size() == 1 && fakes.messages[0].text == "Wrong Selection";
            } },
        { "I", [](Form1& w) { return w.Command5; }, [](Form1& w, auto&) { return w.Label7->text() == " 0 : 1 : 1"; } },
        { "O", [](Form1& w) { return w.Command6; }, [](Form1& w, auto&) { return w.Label9->text() == " 0 : 1 : 1"; } },
        { "Ctrl+Q", nullptr, [](Form1&, auto& fakes) { return fakes.programEnds == 1; } },
        { "Ctrl+W", nullptr, [](Form1&, auto& fakes) { return fakes.programEnds == 1; } },
    };
    for (const auto& row : rows) {
        for (const bool disabled : { false, true }) {
            if (disabled && !row.button) {
                continue;
            }
            SCOPED_TRACE(testing::Message() << row.key << (disabled ? " with its button disabled" : ""));
            test_support::WindowFakes fakes;
            fakes.answerMedia = [](const std::string&, std::string& reply) {
                reply = "61000";
                return 0u;
            };
            Form1 window(fakes.services());
            window.show();
            window.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
            if (row.button) {
                row.button(window)->setEnabled(!disabled);
                EXPECT_TRUE(row.button(window)->toolTip().endsWith(QStringLiteral("(%1)").arg(row.key)));
            }

            QTest::keySequence(&window, QKeySequence(QString::fromLatin1(row.key)));

            EXPECT_EQ(row.ran(window, fakes), !disabled);
        }
    }
}

} // namespace
