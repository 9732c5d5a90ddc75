#include "app/network_role.h"

#include <dlfcn.h>

#include <cstdio>

#include "log/log.h"
#include "sound/dll_loader.h"

namespace korvalo {

QString joinLinkProblemText(JoinLinkProblem problem)
{
    switch (problem) {
    case JoinLinkProblem::None: break;
    case JoinLinkProblem::NotALink: return QStringLiteral("korvalo:// で始まっていません。");
    case JoinLinkProblem::NoHost: return QStringLiteral("アドレスがありません。");
    case JoinLinkProblem::BadHost: return QStringLiteral("アドレスが正しくありません。");
    case JoinLinkProblem::PortNotANumber: return QStringLiteral("ポート番号が数字ではありません。");
    case JoinLinkProblem::PortOutOfRange: return QStringLiteral("ポート番号が 1 から 65535 の範囲にありません。");
    case JoinLinkProblem::MoreThanItsParts:
        return QStringLiteral("アドレス、ポート番号、合言葉のほかに余分なものがあります。");
    case JoinLinkProblem::NoCode: return QStringLiteral("合言葉がありません。");
    case JoinLinkProblem::MoreThanOneCode: return QStringLiteral("合言葉のあとに余分な「/」があります。");
    case JoinLinkProblem::BadCode: return QStringLiteral("合言葉が空か、空白やリンクに書けない文字を含んでいます。");
    }
    return {};
}

std::unique_ptr<NetworkRole> loadNetworkRole(MainWindow& window, QString* error)
{
    const std::string path = programDirectory() + "/korvalo_network.so";
    // Kept loaded for the rest of the program: the window's part lives as long.
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        // The loader's reason is English: the terminal has it, the window the file.
        korvalo::log::print("korvalo: %s\n", ::dlerror());
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
