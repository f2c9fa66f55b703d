// The one way the system speaks to the operator: error dialogs, the error
// beep and the one-line status panel of the main window. Texts are CP1252
// bytes; the window layer converts them for display. Tests use
// RapportMemoire to read back exactly what the operator would have seen.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace vestral {

class Rapport {
 public:
  virtual ~Rapport() = default;
  // Blocking report: error icon, title "Erreur", one "OK" button.
  virtual void Erreur(const std::string& texte) = 0;
  // The error beep that precedes sound-card and mixer reports.
  virtual void Bip() = 0;
  // Non-blocking report in the status panel (Panel1).
  virtual void Panneau(const std::string& texte) = 0;
};

// Keeps every report in order; safe to call from several threads.
class RapportMemoire : public Rapport {
 public:
  enum class Genre { Erreur, Bip, Panneau };
  struct Evenement {
    Genre genre;
    std::string texte;
    bool operator==(const Evenement&) const = default;
  };

  void Erreur(const std::string& texte) override;
  void Bip() override;
  void Panneau(const std::string& texte) override;

  std::vector<Evenement> Evenements() const;
  std::vector<std::string> Erreurs() const;  // the dialog texts only
  std::string Dernier_panneau() const;
  int Nombre_bips() const;
  void Vider();

 private:
  mutable std::mutex verrou_;
  std::vector<Evenement> evenements_;
};

// For the command-line tools: errors and panel texts on standard error,
// converted to UTF-8; the beep is the terminal bell.
class RapportConsole : public Rapport {
 public:
  void Erreur(const std::string& texte) override;
  void Bip() override;
  void Panneau(const std::string& texte) override;
};

}  // namespace vestral
