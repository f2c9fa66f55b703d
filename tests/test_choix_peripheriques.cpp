#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "sound/ChoixPeripheriques.h"

namespace vestral {
namespace {

TEST(ChoixPeripheriques, EnvironnementPuisOptions) {
  struct Cas {
    const char* nom;
    std::map<std::string, std::string> environnement;
    std::vector<std::string> arguments;
    std::string capture, restitution;
    bool lister;
    bool erreur;
    std::vector<std::string> restants;
  } cas[] = {
      {"rien", {}, {"a.wav"}, "", "", false, false, {"a.wav"}},
      {"environnement",
       {{"VESTRAL_CAPTURE", "USB"}, {"VESTRAL_PLAYBACK", "hw:1"}},
       {},
       "USB",
       "hw:1",
       false,
       false,
       {}},
      {"l'option l'emporte",
       {{"VESTRAL_CAPTURE", "USB"}},
       {"-v", "--capture", "Scarlett", "a.wav"},
       "Scarlett",
       "",
       false,
       false,
       {"-v", "a.wav"}},
      {"forme avec =", {}, {"--playback=CODEC", "--list-devices"}, "", "CODEC", true, false, {}},
      {"valeur manquante", {}, {"a.wav", "--playback"}, "", "", false, true, {"a.wav"}},
      // A value that looks like a kept argument is still the option's.
      {"valeur comme un argument", {}, {"--capture", "a", "a"}, "a", "", false, false, {"a"}},
  };
  for (const Cas& c : cas) {
    auto environnement = [&](const char* nom) -> const char* {
      auto it = c.environnement.find(nom);
      return it == c.environnement.end() ? nullptr : it->second.c_str();
    };
    std::vector<std::string> arguments = c.arguments;
    const ChoixPeripheriques choix = Lire_choix_peripheriques(arguments, environnement);
    EXPECT_EQ(choix.capture, c.capture) << c.nom;
    EXPECT_EQ(choix.restitution, c.restitution) << c.nom;
    EXPECT_EQ(choix.lister, c.lister) << c.nom;
    EXPECT_EQ(!choix.erreur.empty(), c.erreur) << c.nom;
    EXPECT_EQ(arguments, c.restants) << c.nom;

    // The same on main()'s arguments.
    std::vector<std::string> textes = {"programme"};
    textes.insert(textes.end(), c.arguments.begin(), c.arguments.end());
    std::vector<char*> argv;
    for (auto& t : textes) argv.push_back(t.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(textes.size());
    EXPECT_EQ(Lire_choix_peripheriques(argc, argv.data(), environnement).capture, c.capture)
        << c.nom;
    std::vector<std::string> gardes(argv.begin() + 1, argv.begin() + argc);
    EXPECT_EQ(gardes, c.restants) << c.nom;
    EXPECT_EQ(argv[0], textes[0]) << c.nom;
    EXPECT_EQ(argv[argc], nullptr) << c.nom;
  }
}

TEST(ChoixPeripheriques, NomCorrespond) {
  EXPECT_TRUE(Nom_correspond("USB Audio CODEC: Audio (hw:1,0)", "usb audio"));
  EXPECT_TRUE(Nom_correspond("default", "DEFAULT"));
  EXPECT_FALSE(Nom_correspond("default", "hw:1"));
  EXPECT_FALSE(Nom_correspond("default", ""));
}

// The device for the monitor tone and the beep, read like the two others.
TEST(ChoixPeripheriques, PeripheriqueDEcoute) {
  auto environnement = [](const char* nom) -> const char* {
    return std::string(nom) == "VESTRAL_MONITOR" ? "USB" : nullptr;
  };
  std::vector<std::string> arguments;
  EXPECT_EQ(Lire_choix_peripheriques(arguments, environnement).ecoute, "USB");
  arguments = {"--monitor", "HDMI", "a.wav"};
  EXPECT_EQ(Lire_choix_peripheriques(arguments, environnement).ecoute, "HDMI");
  EXPECT_EQ(arguments, std::vector<std::string>{"a.wav"});
  arguments = {"--monitor"};
  EXPECT_FALSE(Lire_choix_peripheriques(arguments, environnement).erreur.empty());
}

}  // namespace
}  // namespace vestral
