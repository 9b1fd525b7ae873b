#include "app/form1.h"
#include "support/window_fakes.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

std::string whatRan(const Form1& window, const test_support::WindowFakes& fakes) {
    if (!fakes.fileRequests.empty()) {
        return "Open";
    }
    if (!fakes.messages.empty()) {
        return fakes.messages.front().text.toStdString(); // Save with no selection
    }
    if (fakes.programEnds > 0) {
        return "close";
    }
    return window.Label7->text().isEmpty() ? (window.Label9->text().isEmpty() ? "nothing" : "Mark End") : "Mark Start";
}

TEST(Shortcuts, EachKeyRunsItsButtonsHandlerAndNoneWhileTheButtonIsDisabled) {
    const struct {
        const char* key;
        QPushButton* Form1::*button; // none: the key closes the window
        std::string ran;
    } rows[] {
        { "Ctrl+O", &Form1::Command4, "Open" },
        { "Ctrl+S", &Form1::Command7, "Wrong Selection" },
        { "I", &Form1::Command5, "Mark Start" },
        { "O", &Form1::Command6, "Mark End" },
        { "Ctrl+Q", nullptr, "close" },
        { "Ctrl+W", nullptr, "close" },
    };
    for (const auto& row : rows) {
        for (const bool enabled : { true, false }) {
            SCOPED_TRACE(testing::Message() << row.key << (enabled ? "" : " with its button disabled"));
            test_support::WindowFakes fakes;
            Form1 window(fakes.services());
            window.show();
            window.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
            if (row.button) {
                (window.*row.button)->setEnabled(enabled);
                EXPECT_TRUE((window.*row.button)->toolTip().endsWith(QStringLiteral("(%1)").arg(row.key)));
            }

            QTest::keySequence(&window, QKeySequence(QString::fromLatin1(row.key)));

            EXPECT_EQ(whatRan(window, fakes), enabled || !row.button ? row.ran : "nothing");
        }
    }
}

} // namespace
