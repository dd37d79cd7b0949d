#include "Quendle/Runner/ApplicationMain.h"

int main(int argc, char* argv[])
{
    return Quendle::RunApplication(argc, argv, QUrl(QStringLiteral("qrc:/main.qml")));
}
