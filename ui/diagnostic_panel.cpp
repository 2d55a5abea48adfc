#include "ui/diagnostic_panel.h"

#include "link/protocol.h"
#include "ui/controls.h"
#include "ui/fonts.h"

namespace tessimor {

namespace p = protocol;

DiagnosticPanel::DiagnosticPanel(QWidget& form, SerialPort& port, TransferEngine& engine)
    : Command5(MakeButton(form, layout::kCommand5)),
      Command6(MakeButton(form, layout::kCommand6)),
      Command7(MakeButton(form, layout::kCommand7)),
      Command1(MakeButton(form, layout::kCommand1)),
      Command3(MakeButton(form, layout::kCommand3)),
      Command4(MakeButton(form, layout::kCommand4)),
      Command9(MakeButton(form, layout::kCommand9)) {
  const std::string start_address = std::string(p::kStartAddress) + p::kCr;
  QObject::connect(Command5, &QPushButton::clicked, [&port] { port.WriteText(p::kMark); });
  QObject::connect(Command6, &QPushButton::clicked,
                   [&port] { port.WriteText(std::string(p::kAddressCommand) + p::kCr); });
  QObject::connect(Command7, &QPushButton::clicked, [&port, &engine, start_address] {
    port.WriteText(start_address);
    engine.CurAddr = 0;
  });
  QObject::connect(Command1, &QPushButton::clicked, [&engine] { engine.StartPanelRead(); });
  QObject::connect(Command3, &QPushButton::clicked, [&engine] { engine.StartByteTest(); });
  QObject::connect(Command4, &QPushButton::clicked, [&engine] { engine.StartPageTest(); });
  QObject::connect(Command9, &QPushButton::clicked, [&port, start_address] {
    port.WriteText(start_address);
    port.WriteText(std::string(p::kSignatureLine) + p::kCr);
  });
  for (QPushButton* button :
       {Command5, Command6, Command7, Command1, Command3, Command4, Command9}) {
    FitCaption(*button);
  }
}

}  // namespace tessimor
