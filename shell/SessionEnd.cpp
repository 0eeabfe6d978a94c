#include "shell/SessionEnd.h"

#include <QGuiApplication>
#include <QSessionManager>

#include <cstdlib>

#include "shell/Main.h"

namespace tavuro {

namespace {

// The window whose files are saved should the program end through exit() while it runs.
TMainForm* FormAtExit = nullptr;

void SaveAtExit() {
    TMainForm* form = FormAtExit;
    FormAtExit = nullptr;
    if (form && !form->Closed())
        form->SaveWithoutDisplay();
}

} // namespace

TSessionEnd::TSessionEnd(TMainForm& form) {
    Signals.OnSignal = [&form](int) {
        form.EndSession();
        QCoreApplication::exit(0); // ends a message box's loop too, even before the main loop ran
    };
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager&) { form.SaveForSessionEnd(); });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &form, [&form] {
        if (!form.Closed())
            form.EndSession();
    });
    static const bool registered = std::atexit(SaveAtExit) == 0;
    if (registered)
        FormAtExit = &form;
}

TSessionEnd::~TSessionEnd() {
    FormAtExit = nullptr;
}

} // namespace tavuro
