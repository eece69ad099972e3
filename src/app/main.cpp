// tessaron: the program window. `tessaron [SONG.tsn]`.
#include <QApplication>

#include "app/CChordwayApp.h"
#include "app/CMainFrame.h"
#include "audioout/CSoundDevice.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    int status = 1;
    {
        tessaron::CChordwayApp app;
        if (app.Start(QApplication::arguments())) {
            status = QApplication::exec();
        }
        app.Exit();
    }
    return status;
}
