// A host that knows the component only through its installed public headers and meta-object.
#include <Lorvane/Lorvanev2.h>

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    auto* component = new lorvane::Lorvanev2(&window);
    component->setProperty("VLNAllowTableSelection", false);
    std::printf("caption=%s size=%dx%d join=%s\n",
                qPrintable(component->property("VLNRunTimeControlCaption").toString()), component->width(),
                component->height(), component->property("VLNAllowJoinCreation").toBool() ? "true" : "false");
    return 0;
}
