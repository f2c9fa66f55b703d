// The decoder: pulls received samples one at a time from the sample
// window, runs the tone filter on each, measures marks and spaces in 2 ms
// steps of sample time, walks the Morse tree and emits each character to
// its output and to the QSO log.
//
// The same object runs in its own thread fed by the capture pump
// (TRADUCTION_CARACTERES) or synchronously from a recording (the waiting
// hook then appends the next block, or asks for the stop at the end).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dsp/FenetreEchantillons.h"
#include "dsp/FiltreTonalite.h"
#include "dsp/ReglagesReception.h"
#include "shell/JournalQSO.h"

namespace vestral {

constexpr uint16_t kDuree_saturee = 5999;

// Where the decoder's results go. The window's implementation carries each
// call over to the user-interface thread and waits for it.
class SortieDecodeur {
 public:
  virtual ~SortieDecodeur() = default;
  // A decoded character (CP1252), or a space for a word gap.
  virtual void Caractere(uint8_t caractere) = 0;
  // Whether the indicator and speed displays exist (they need the clock).
  virtual bool Affichage() const { return false; }
  // The "Signal" indicator (and the speaker monitor), every 40 ms.
  virtual void Signal(bool /*present*/) {}
  // The speed label, every 5500 samples: at most two characters.
  virtual void Vitesse(const std::string& /*texte*/) {}
};

class Decodeur {
 public:
  // Called when fewer than `non_lus` received samples are unread: returns
  // once they are there, or the delay has passed, or the stop is requested.
  using Attente = std::function<void(int delai_ms, int non_lus)>;
  using Horloge = std::function<uint32_t()>;  // milliseconds

  Decodeur(ReglagesReception& reglages, FiltreTonalite& filtre, FenetreEchantillons& fenetre,
           JournalQSO& journal, SortieDecodeur& sortie);

  void Regler_attente(Attente attente) { attente_ = std::move(attente); }
  void Regler_horloge(Horloge horloge) { horloge_ = std::move(horloge); }

  // Prepares a reception start (the window is emptied and the input peak
  // hold cleared too).
  void Preparer();
  // The thread body: Traduction_active, then steps until the stop request.
  void Execute();
  void Pas_decodeur();
  // One turn of the thread's loop: a pending restart, then one step.
  void Pas_suivant();

  // From any thread.
  void Demander_arret() { Arret_traduction.store(1); }
  void Relance_traduction() { relance_.store(true); }

  std::atomic<uint8_t> Traduction_active{0};
  std::atomic<uint8_t> Arret_traduction{0};

  // Walk state, for the tests.
  int64_t Etat_decodeur() const;
  uint16_t Duree_silence() const { return duree_silence_; }
  bool Resynchronisation() const { return resynchronisation_; }
  // Absolute index (in received samples) of the sample being processed.
  int64_t Position_absolue() const { return fenetre_.Echantillons_lus(); }

 private:
  void Attendre_echantillons(int non_lus);
  // Reading ahead: the unread samples are copied from the window and
  // filtered at once; taking them then replays what the filter left after
  // each one (the envelope, threshold and dot length the steps read).
  bool Remplir_avance();
  // The envelope, threshold and dot length as they stand in the settings.
  void Prendre_valeurs_actuelles();
  void Prendre_avance(int nombre);
  int Avance_disponible() const { return avance_nombre_ - avance_prises_; }
  void Lire_echantillon();
  // What reading each of these samples does besides taking it: input level,
  // tone filter, indicator history, speed label.
  void Traiter_lus(const uint8_t* echantillons, int nombre);
  bool Lire_manipulation();
  void Attendre_ms(int n);
  bool Attendre_tonalite();
  uint16_t Mesurer_marque();
  uint16_t Mesurer_espace();
  void Classer_element(int marque, int espace, int k);
  void Mesurer_element(int k, int car_point, int car_trait);
  void Emettre_caractere(uint8_t c);
  void Rafraichir_signal();
  void Afficher_vitesse();
  bool Echantillons_restants(int minimum) const;
  int Duree_point() const;
  void Abandon();
  void Appliquer_relance();

  ReglagesReception& reglages_;
  FiltreTonalite& filtre_;
  FenetreEchantillons& fenetre_;
  JournalQSO& journal_;
  SortieDecodeur& sortie_;
  Attente attente_;
  Horloge horloge_;
  std::atomic<bool> relance_{false};

  // 0 idle, 1 waiting for a tone, 2 and on: walking, motif_ received so far.
  int etat_ = 0;
  std::string motif_;
  uint16_t duree_silence_ = kDuree_saturee;
  bool caractere_emis_ = false;
  bool resynchronisation_ = false;
  bool fin_caractere_ = false;
  bool fin_mot_ = false;
  std::array<bool, 10> point_recu_{};
  std::array<bool, 10> trait_recu_{};
  bool etat_manipulation_ = false;
  int32_t position_courante_ = 0;
  int32_t position_repere_ = 0;

  static constexpr int kAvance = 4096;
  std::array<uint8_t, kAvance> avance_{};
  int avance_nombre_ = 0;
  int avance_prises_ = 0;
  std::vector<Releve> releves_;
  std::size_t releve_suivant_ = 0;
  int32_t enveloppe_vue_ = 0;
  uint16_t seuil_vu_ = 0;
  uint16_t duree_point_vue_ = 0;

  int32_t crete_entree_ = 0;
  int32_t compteur_niveau_ = 0;
  int32_t compteur_echantillons_ = 0;
  std::array<uint8_t, 25> historique_signal_{};
  int32_t index_historique_ = 0;
  uint8_t signal_present_ = 0;
  uint32_t debut_historique_ = 0;
  uint32_t dernier_rafraichissement_ = 0;
  int compte_a_rebours_horloge_ = 0;
};

}  // namespace vestral
