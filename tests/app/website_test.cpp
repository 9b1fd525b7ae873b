#include "app/form1.h"
#include "platform/launcher.h"
#include "support/window_fakes.h"

#include <gtest/gtest.h>

namespace {

// Everything on the window a click could change, as text, so that a difference names the control.
QStringList windowState(Form1& window) {
    QStringList state { window.windowTitle(), QString::number(window.markStart), QString::number(window.markEnd),
        window.sourceFile, QString::number(window.markScale), QString::number(window.H->Value()),
        QString::number(window.H->Max()), QString::number(window.T->Enabled()), QString::number(window.pb->Value()),
        QString::number(window.pb->Max()), QString::number(window.Line1->X1()), QString::number(window.Line2->X1()) };
    for (const auto* button : window.findChildren<QPushButton*>()) {
        state << button->text() << QString::number(button->isEnabled());
    }
    for (const auto* label : window.findChildren<QLabel*>()) {
        state << label->text();
    }
    return state;
}

TEST(Website, OpensTheMakersAddressInTheDesktopBrowserAndChangesNothingOnTheWindow) {
    test_support::WindowFakes fakes;
    Form1 window(fakes.services());
    window.markStart = 1200;
    window.markEnd = 3400;
    window.sourceFile = QStringLiteral("/music/song.mp3");
    window.Label7->setText(QStringLiteral(" 0 : 0 : 1"));
    window.H->setMax(215);
    window.H->setValue(12);
    window.T->setEnabled(true);
    window.Command1->setText(QStringLiteral("Pause"));
    window.Command7->setEnabled(false);
    const QStringList before = windowState(window);

    window.Command3->click();
    window.Command3->click();

    EXPECT_EQ(windowState(window), before);
    ASSERT_EQ(fakes.launches.size(), 2u);
    EXPECT_EQ(fakes.launches[0].first, platform::webAddressOpener());
    EXPECT_EQ(fakes.launches[0].second, QStringList { QLatin1String(Form1::kWebsiteAddress) });
    EXPECT_EQ(fakes.launches[1], fakes.launches[0]);
    EXPECT_TRUE(fakes.mediaCommands.empty());
    EXPECT_TRUE(fakes.messages.empty());
}

} // namespace
