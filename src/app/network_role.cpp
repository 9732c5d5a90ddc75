#include "app/network_role.h"

#include <dlfcn.h>

#include <cstdio>

#include "sound/dll_loader.h"

namespace korvalo {

std::unique_ptr<NetworkRole> loadNetworkRole(MainWindow& window, QString* error)
{
    const std::string path = programDirectory() + "/korvalo_network.so";
    // Kept loaded for the rest of the program: the window's part lives as long.
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        // The loader's reason is English: the terminal has it, the window the file.
        std::fprintf(stderr, "korvalo: %s\n", ::dlerror());
        *error = QStringLiteral("ネットワーク対局の部品を読み込めません: %1").arg(QString::fromStdString(path));
        return nullptr;
    }
    using Maker = NetworkRole* (*)(MainWindow&);
    const auto make = reinterpret_cast<Maker>(::dlsym(module, "korvalo_network_role"));
    if (!make) {
        *error = QStringLiteral("ネットワーク対局の部品が違います: %1").arg(QString::fromStdString(path));
        return nullptr;
    }
    return std::unique_ptr<NetworkRole>(make(window));
}

}  // namespace korvalo
