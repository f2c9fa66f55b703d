// The command-line parsing of every program: CLI11, with its failures turned
// into what the programs report in their own words. Options take their value
// as `--option VALUE` or `--option=VALUE` (an empty value stays empty); `--`
// ends the options; help and version are the programs' own flags.
#pragma once

#include <CLI/CLI.hpp>
#include <algorithm>
#include <string>
#include <vector>

namespace vestral {

// A command line without CLI11's own help flag: each program has its own
// texts for --help.
class AnalyseurOptions : public CLI::App {
 public:
  AnalyseurOptions() { set_help_flag(); }
};

struct Echec_options {
  enum class Genre { Aucun, Inconnue, Valeur_manquante, Valeur_en_trop };
  Genre genre = Genre::Aucun;
  std::string argument;  // the unknown argument, or the option concerned
  explicit operator bool() const { return genre != Genre::Aucun; }
};

// Declares a flag (an option without a value; a value given to it is an
// error).
inline CLI::Option* Ajouter_drapeau(CLI::App& app, const std::string& noms, bool& drapeau) {
  return app.add_flag(noms, drapeau)->disable_flag_override();
}

// Parses argv[1..argc) with `app`, whose options are declared; the other
// arguments (the operands) go to `operandes`, in order. An argument before
// `--` that starts with a dash and is no option is unknown.
[[nodiscard]] inline Echec_options Analyser_options(CLI::App& app, int argc, char** argv,
                                                    std::vector<std::string>& operandes) {
  app.allow_extras();
  // An option given twice: the last one counts.
  for (CLI::Option* option : app.get_options())
    option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  std::vector<std::string> avant, apres;
  bool fin = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (!fin && argument == "--") {
      fin = true;
      continue;
    }
    if (fin) {
      apres.push_back(argument);
      continue;
    }
    // "--option=VALUE" as two arguments, so that an empty value stays one.
    const auto egal = argument.find('=');
    if (argument.starts_with("--") && egal != std::string::npos) {
      const CLI::Option* option = app.get_option_no_throw(argument.substr(0, egal));
      if (option && option->get_expected_min() > 0) {
        avant.push_back(argument.substr(0, egal));
        avant.push_back(argument.substr(egal + 1));
        continue;
      }
    }
    avant.push_back(argument);
  }
  std::vector<std::string> positionnels;
  app.add_option("operandes", positionnels);
  std::reverse(avant.begin(), avant.end());  // CLI11 takes them from the back
  try {
    app.parse(avant);
  } catch (const CLI::ArgumentMismatch& e) {
    // "--speed: 1 required TEXT missing", "times was given a disallowed flag override"
    const std::string texte = e.what();
    if (texte.find("flag override") != std::string::npos) {
      // A flag written with a value: the argument as it was given.
      const std::string debut = "--" + texte.substr(0, texte.find(' ')) + "=";
      for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]).starts_with(debut))
          return {Echec_options::Genre::Valeur_en_trop, argv[i]};
      return {Echec_options::Genre::Valeur_en_trop, debut};
    }
    return {Echec_options::Genre::Valeur_manquante, texte.substr(0, texte.find(':'))};
  } catch (const CLI::ParseError& e) {
    return {Echec_options::Genre::Inconnue, e.what()};
  }
  if (const auto restants = app.remaining(); !restants.empty())
    return {Echec_options::Genre::Inconnue, restants.front()};
  for (const auto& p : positionnels)
    if (p.size() > 1 && p[0] == '-') return {Echec_options::Genre::Inconnue, p};
  operandes = std::move(positionnels);
  operandes.insert(operandes.end(), apres.begin(), apres.end());
  return {};
}

}  // namespace vestral
