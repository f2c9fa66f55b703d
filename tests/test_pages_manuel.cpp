// Each program's --help and its manual page name the same options, and
// --version gives the version the manual page carries.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

namespace {

struct Sortie {
  int code = -1;
  std::string texte;
};

Sortie Lancer(const std::string& commande) {
  Sortie s;
  FILE* tube = ::popen(commande.c_str(), "r");
  if (!tube) return s;
  std::array<char, 4096> tampon{};
  while (const std::size_t n = std::fread(tampon.data(), 1, tampon.size(), tube))
    s.texte.append(tampon.data(), n);
  const int statut = ::pclose(tube);
  s.code = WIFEXITED(statut) ? WEXITSTATUS(statut) : -1;
  return s;
}

std::set<std::string> Options(const std::string& texte) {
  static const std::regex option("--[a-z][a-z0-9-]*[a-z0-9]");
  std::set<std::string> options;
  for (std::sregex_iterator i(texte.begin(), texte.end(), option), fin; i != fin; ++i)
    options.insert(i->str());
  return options;
}

std::string Liste(const std::set<std::string>& options) {
  std::string texte;
  for (const auto& o : options) texte += " " + o;
  return texte.empty() ? " (aucune)" : texte;
}

TEST(PagesManuel, AideEtPageDeChaqueProgramme) {
  std::string absents;
  for (const std::string programme :
       {"vestral", "vestral-decode", "vestral-encode", "vestral-son"}) {
    const std::string chemin = std::string(VESTRAL_BIN_DIR) + "/" + programme;
    // A build of some targets only (a sanitizer's) lacks some programs.
    if (!std::filesystem::exists(chemin)) {
      absents += " " + programme;
      continue;
    }
    const Sortie aide = Lancer(chemin + " --help 2>/dev/null");
    EXPECT_EQ(aide.code, 0) << programme;

    std::ifstream f(std::string(VESTRAL_SOURCE_DIR) + "/docs/man/" + programme + ".1");
    ASSERT_TRUE(f) << programme << " : pas de page de manuel";
    std::string page{std::istreambuf_iterator<char>(f), {}};
    // roff writes a hyphen as \- in option names.
    page = std::regex_replace(page, std::regex(R"(\\-)"), "-");

    const std::set<std::string> dans_aide = Options(aide.texte), dans_page = Options(page);
    std::set<std::string> manquent_page, manquent_aide;
    for (const auto& o : dans_aide)
      if (!dans_page.count(o)) manquent_page.insert(o);
    for (const auto& o : dans_page)
      if (!dans_aide.count(o)) manquent_aide.insert(o);
    EXPECT_TRUE(manquent_page.empty())
        << programme << " : absentes de la page :" << Liste(manquent_page);
    EXPECT_TRUE(manquent_aide.empty())
        << programme << " : absentes de --help :" << Liste(manquent_aide);
    EXPECT_TRUE(dans_aide.count("--version")) << programme;

    const Sortie version = Lancer(chemin + " --version");
    EXPECT_EQ(version.code, 0) << programme;
    EXPECT_EQ(version.texte, programme + " " VESTRAL_VERSION "\n");
    EXPECT_NE(page.find("\"vestral " VESTRAL_VERSION "\""), std::string::npos)
        << programme << " : la page ne porte pas la version " VESTRAL_VERSION;
  }
  if (!absents.empty()) GTEST_SKIP() << "programmes non construits :" << absents;
}

}  // namespace
