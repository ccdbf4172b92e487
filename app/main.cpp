// The window program: our long options, then either the headless run that
// vorbrant-cli makes (no display, or --headless: no QApplication at all) or
// the port, the session and the main window with its event loop.
#include "about/ui/AboutBox.h"
#include "app/MainForm.h"
#include "app/QtOperator.h"
#include "app/SignalStop.h"
#include "image/ui/HexEditor.h"
#include "image/ui/OffsetDialog.h"
#include "image/ui/RangeDialog.h"
#include "security/ui/F30xSecurityDialog.h"
#include "security/ui/SecurityByteDialog.h"
#include "security/ui/SecurityBytesDialog.h"
#include "session/ConfigPath.h"
#include "session/Program.h"

#include <QApplication>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace vorbrant;

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    LaunchOptions options;
    if (std::optional<int> code = TakeLongOptions(args, options))
        return *code;
    // Without a display there can be no window: run headless. So do the
    // production-line options, which only the console run carries out (a
    // window run would program boards without their serial numbers).
    const bool productionLine = options.Repeat || options.Serial || options.SerialFile || options.JsonPath;
    if (options.Headless || !HaveDisplay() || productionLine)
        return RunHeadless(options, args, ExecutablePath(argv[0]));

    QApplication app(argc, argv);
    QApplication::setApplicationName("vorbrant");
    QtOperator op;
    int exitCode = 0;
    UseStoredAdapter(options.Adapter, options.SimSpec.has_value(), options.IniPath, ExecutablePath(argv[0]));
    std::unique_ptr<ProgramPort> port = ProgramPort::Open(options, op, exitCode);
    if (!port)
        return exitCode;

    ImageBuffer image;
    Session session(port->Stack(), image, op, ProgramSettings(options, *port, ExecutablePath(argv[0]), false));

    TMainForm form(session);
    op.Attach(&form, form.Progres, form.ProgressBar);
    if (std::optional<int> batchCode = form.FormActivate(args)) {
        const int code = port->Finish(*batchCode);
        // A batch run ends with its closing line, window or not.
        if (std::string line = form.Batch.ResultLine(code); !line.empty())
            std::fprintf(stderr, "%s\n", line.c_str());
        return code;
    }

    // The windows after the main window, in their order; the chain dialogs
    // slot in after the security dialogs.
    auto* about = new TAboutBox(TMainForm::ApplicationTitle, form.VersionSuffix, &form);
    auto* offset = new TForm3(op, &form);
    form.CreateHexEditor(*offset);
    auto* range = new TForm4(op, &form);
    form.AttachWindows(about, offset, range);
    op.AttachRangeDialog(range);
    auto* jtagSecurity = new TJTAG_Security(session.Security(), op, &form);
    auto* c2Security = new TC2_Security(session.Security(), op, &form);
    auto* f30xSecurity = new TC30X_security(session.Security(), op, &form);
    form.AttachSecurityDialogs(jtagSecurity, c2Security, f30xSecurity);

    SignalStop stop; // Ctrl+C or a kill ends the event loop, then closes as usual
    int code = QApplication::exec();
    form.FormClose();
    return port->Finish(code);
}
