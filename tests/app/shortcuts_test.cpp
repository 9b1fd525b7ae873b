#include "support/workflow_harness.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(Shortcuts, EachKeyRunsItsButtonsHandlerAndNoneWhileTheButtonIsDisabled) {
    const std::tuple<const char*, QPushButton * Form1::*, std::string> rows[] { { "Ctrl+O", &Form1::Command4, "Open" },
        { "Ctrl+S", &Form1::Command7, "Wrong Selection" }, { "I", &Form1::Command5, " 0 : 0 : 0|0 : 0 : 0" },
        { "O", &Form1::Command6, "0 : 0 : 0| 0 : 0 : 0" }, { "Ctrl+Q", nullptr, "close" },
        { "Ctrl+W", nullptr, "close" } };
    for (const auto& [key, button, ran] : rows) {
        for (const bool enabled : { true, false }) {
            SCOPED_TRACE(testing::Message() << key << (enabled ? "" : " with its button disabled"));
            test_support::WorkflowHarness harness;
            Form1& window = harness.window();
            window.show();
            window.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
            harness.run("open 3000");
            harness.fileRequests.clear();
            if (button) {
                (window.*button)->setEnabled(enabled);
                EXPECT_TRUE((window.*button)->toolTip().endsWith(QStringLiteral("(%1)").arg(key)));
            }
            QTest::keySequence(&window, QKeySequence(QString::fromLatin1(key)));
            const std::string whatRan = !harness.fileRequests.empty() ? "Open"
                : !harness.messages.empty()                           ? harness.messages[0].text.toStdString()
                : harness.programEnds > 0                             ? "close"
                                          : (window.Label7->text() + "|" + window.Label9->text()).toStdString();
            EXPECT_EQ(whatRan, enabled || !button ? ran : "0 : 0 : 0|0 : 0 : 0");
        }
    }
}

} // namespace
