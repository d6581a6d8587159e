// A host whose form was drawn in Designer: uic's code builds the component with the
// properties the .ui file holds.
#include "ui_form.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    Ui::HostForm ui;
    ui.setupUi(&window);
    window.show();
    std::printf("caption=%s join=%s like=%s size=%dx%d tables=%s\n", qPrintable(ui.vln->VLNRunTimeControlCaption()),
                ui.vln->VLNAllowJoinCreation() ? "true" : "false", qPrintable(ui.vln->VLNLikeOperator()),
                ui.vln->width(), ui.vln->height(), qPrintable(ui.vln->VLNTableString()));
    return 0;
}
