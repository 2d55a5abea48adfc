#include <QApplication>

#include "platform/qt/device_inventory.h"
#include "ui/form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tessimor::Form1 form(tessimor::QtParts(std::make_unique<tessimor::QtDeviceInventory>()));
  form.show();
  form.Load();
  return app.exec();
}
