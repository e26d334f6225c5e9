#include "WebAddress.h"

#include <QDesktopServices>
#include <QUrl>

#include <stdexcept>

void OpenWebAddress(const std::string& address)
{
    const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    if (!url.isValid() || !QDesktopServices::openUrl(url))
        throw std::runtime_error("Unable to open " + address + " in a web browser");
}
