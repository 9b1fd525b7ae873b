#include "app/form1.h"
#include "app/startup.h"

#include <QApplication>

// Tuneshear has no command line: the program is its window and lives as long as the window does.
int main(int, char** argv) {
    auto arguments = prepareStartUp({ argv[0] });
    QApplication application(arguments.count(), arguments.values());
    Form1 window;
    window.show();
    return application.exec();
}
