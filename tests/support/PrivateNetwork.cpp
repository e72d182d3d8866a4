#include "PrivateNetwork.h"

#include <QNetworkInterface>

bool PrivateNetwork::isolated()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    return std::all_of(interfaces.cbegin(), interfaces.cend(), [](const QNetworkInterface &interface) {
        return interface.flags().testFlag(QNetworkInterface::IsLoopBack);
    });
}
