// The decoder: takes received samples one at a time from its sample window,
// reads the tone filter's decision after each, measures marks and spaces in
// 2 ms steps of sample time, walks the Morse tree and emits each character
// as an event.
//
// It is a push state machine: the walk is a coroutine that suspends when it
// needs a sample that has not been pushed yet, and goes on when the next
// block is pushed. The window holds two blocks of kTaille_bloc_reception
// samples and slides by one block; a pushed block enters it when the walk has
// read everything (or, waiting for a tone, almost everything) before it. A
// block is filtered as it enters; the walk then replays what the filter
// left after each millisecond step as it takes the samples.
#pragma once

#include <array>
#include <atomic>
#include <coroutine>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dsp/FiltreTonalite.h"
#include "dsp/ReglagesReception.h"
#include "morse/DecodeurMorse.h"
#include "morse/detail/Tache.h"
#include "shell/FormatSon.h"

namespace vestral {

constexpr uint16_t kDuree_saturee = 5999;
// The signal presence is sampled every this many samples (40 ms), into a
// history of kCases_historique_signal cases (one second).
constexpr int kEchantillons_presence = 440;
constexpr int kCases_historique_signal = 25;
// The speed display is refreshed every this many samples (half a second).
constexpr int kEchantillons_vitesse = 5500;
// The input level: every tenth sample, |2s - 255| x 20 against a full scale
// of 5100, in percent.
constexpr int kPas_niveau_entree = 10;
constexpr int32_t kPleine_echelle_entree = 5100;

class Decodeur {
 public:
  Decodeur(ReglagesReception& reglages, FiltreTonalite& filtre);
  Decodeur(const Decodeur&) = delete;
  Decodeur& operator=(const Decodeur&) = delete;

  // A reception start: the walk, the window and the input peak hold start
  // again; positions count from 0.
  void Preparer();
  // Samples in: whole blocks enter the window as the walk needs them; the
  // rest waits for the next push.
  void Pousser(std::span<const uint8_t> echantillons);
  // The end of the input: the last partial block enters completed with
  // silence; then reads return at once, the measurement under way runs to
  // its limit and the step ends (a last character may come out).
  void Terminer();
  bool Termine() const { return marche_.Finie(); }

  // From any thread: the walk starts again from idle at its next step.
  void Relance_traduction() { relance_.store(true); }

  // Appends the events since the last call and forgets them.
  void Prendre_evenements(std::vector<EvenementDecodeur>& evenements);

  int64_t Echantillons_pousses() const { return pousses_; }
  // Absolute index (in received samples) of the next sample the walk takes.
  int64_t Position_absolue() const { return lecture_; }

  // Walk state, for the tests.
  int64_t Etat_decodeur() const;
  uint16_t Duree_silence() const { return duree_silence_; }
  bool Resynchronisation() const { return resynchronisation_; }

  detail::ReserveCadres& Reserve() { return reserve_; }

 private:
  using Tache = detail::Tache<void>;
  template <typename T>
  using TacheDe = detail::Tache<T>;

  // What the suspended walk waits for.
  enum class Besoin : uint8_t { Echantillon, Attente_ms, Bloc };
  struct Suspension {
    Decodeur& d;
    Besoin besoin;
    void await_suspend(std::coroutine_handle<> h) const {
      d.suspendu_ = h;
      d.besoin_ = besoin;
    }
  };
  // Lire_echantillon and Lire_manipulation: ready at once while a sample is
  // unread (or once the stop is asked).
  struct Lecture : Suspension {
    bool manipulation;
    bool await_ready() const { return d.arret_ || d.Non_lus() > 0; }
    bool await_resume() const {
      if (!d.arret_) d.Prendre(1);
      return manipulation && d.enveloppe_vue_ > static_cast<int32_t>(d.seuil_vu_);
    }
  };
  struct AttenteMs : Suspension {
    bool await_ready() const { return d.Poursuivre_attente(); }
    void await_resume() const {}
  };
  // The wait between two steps for the next block (waiting for a tone with
  // fewer than a millisecond of samples unread).
  struct AttenteBloc : Suspension {
    bool await_ready() const { return d.arret_; }
    void await_resume() const {}
  };

  // The walk: one step after another until the stop.
  Tache Marche();
  Tache Pas_decodeur();
  Lecture Lire_echantillon() { return {{*this, Besoin::Echantillon}, false}; }
  Lecture Lire_manipulation() { return {{*this, Besoin::Echantillon}, true}; }
  AttenteMs Attendre_ms(int n);
  TacheDe<bool> Attendre_tonalite();
  TacheDe<uint16_t> Mesurer_marque();
  TacheDe<uint16_t> Mesurer_espace();
  void Classer_element(int marque, int espace, int k);
  Tache Mesurer_element(int k, int car_point, int car_trait);
  void Emettre_caractere(uint8_t c);

  // Attendre_ms as far as the samples go: true once the wait is over.
  [[nodiscard]] bool Poursuivre_attente();
  // A block enters the window and is filtered; the walk goes on.
  void Ajouter_bloc(std::span<const uint8_t> bloc);
  void Reprendre();
  // Input level, tone filter, signal presence and speed display over a block
  // entering the window, whose first sample has index `position`.
  void Filtrer(const uint8_t* echantillons, int nombre, int64_t position);
  void Prendre(int nombre);
  int64_t Non_lus() const { return total_ - lecture_; }
  int64_t Debut_fenetre() const {
    return total_ > 2 * kTaille_bloc_reception ? total_ - 2 * kTaille_bloc_reception : 0;
  }
  // Counted from 1 at the window's first sample.
  int32_t Position_lecture() const { return static_cast<int32_t>(lecture_ - Debut_fenetre() + 1); }
  [[nodiscard]] bool Echantillons_restants(int minimum) const;
  int Duree_point() const;
  void Abandon();
  void Appliquer_relance();
  void Ajouter_evenement(TypeEvenement type, int64_t position, int32_t valeur) {
    evenements_.push_back({type, position, valeur});
  }

  ReglagesReception& reglages_;
  FiltreTonalite& filtre_;
  std::atomic<bool> relance_{false};
  std::vector<EvenementDecodeur> evenements_;

  // The suspended walk and what it waits for; the block being gathered.
  std::coroutine_handle<> suspendu_;
  Besoin besoin_ = Besoin::Bloc;
  bool arret_ = false;
  std::vector<uint8_t> en_attente_;
  int64_t pousses_ = 0;

  // The window: samples appended (whole blocks) and taken, since Preparer.
  int64_t total_ = 0;
  int64_t lecture_ = 0;

  // Attendre_ms under way: its length in samples, and whether it is inside
  // its read of a sample.
  int32_t attente_ = 0;
  bool attente_en_lecture_ = false;

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

  // What the filter left after each millisecond step of the blocks in the
  // window (apres: absolute index of the sample the step came with, plus
  // one), replayed as the walk takes the samples.
  struct ReleveVu {
    int64_t apres;
    int32_t enveloppe;
    uint16_t seuil;
    uint16_t duree_point;
  };
  std::vector<Releve> releves_bloc_;
  std::vector<ReleveVu> releves_;
  std::size_t releve_suivant_ = 0;
  int32_t enveloppe_vue_ = 0;
  uint16_t seuil_vu_ = 0;
  uint16_t duree_point_vue_ = 0;

  int32_t crete_entree_ = 0;
  int32_t compteur_niveau_ = 0;
  int32_t compteur_echantillons_ = 0;

  // Last: the walk's frames go back to the reserve before it goes.
  detail::ReserveCadres reserve_;
  Tache marche_;
};

}  // namespace vestral
