// The decoder's walk is written as nested coroutines: each step that waits
// for samples is a Tache awaited by the step that called it. A Tache starts
// when awaited and hands control back to its caller when it ends
// (symmetric transfer: no stack grows however deep the steps nest).
//
// Frames come from the owner's ReserveCadres: a freed frame is kept for the
// next step of the same size class, so that the walk allocates only while
// the reserve grows (a few frames in all), never per sample.
#pragma once

#include <coroutine>
#include <cstddef>
#include <exception>
#include <new>
#include <utility>
#include <vector>

namespace vestral::detail {

class ReserveCadres {
 public:
  ReserveCadres() = default;
  ReserveCadres(const ReserveCadres&) = delete;
  ReserveCadres& operator=(const ReserveCadres&) = delete;
  ~ReserveCadres() {
    for (auto& libres : libres_)
      for (void* c : libres) ::operator delete(c);
  }

  void* Prendre(std::size_t taille) {
    const std::size_t classe = (taille + kEntete + kGrain - 1) / kGrain;
    void* bloc;
    if (classe < kClasses && !libres_[classe].empty()) {
      bloc = libres_[classe].back();
      libres_[classe].pop_back();
    } else {
      bloc = ::operator new(classe* kGrain);
    }
    auto* entete = static_cast<Entete*>(bloc);
    entete->reserve = this;
    entete->classe = classe;
    return static_cast<char*>(bloc) + kEntete;
  }

  static void Rendre(void* cadre) {
    void* bloc = static_cast<char*>(cadre) - kEntete;
    auto* entete = static_cast<Entete*>(bloc);
    if (entete->classe < kClasses)
      entete->reserve->libres_[entete->classe].push_back(bloc);
    else
      ::operator delete(bloc);
  }

 private:
  struct Entete {
    ReserveCadres* reserve;
    std::size_t classe;
  };
  static constexpr std::size_t kEntete = 16;
  static_assert(sizeof(Entete) <= kEntete);
  static constexpr std::size_t kGrain = 64;
  static constexpr std::size_t kClasses = 32;  // frames up to 2 kB are kept
  std::vector<void*> libres_[kClasses];
};

template <typename T>
class [[nodiscard]] Tache;

struct PromesseBase {
  std::coroutine_handle<> suite;

  // A member coroutine's frame comes from its object's reserve.
  template <typename Proprietaire, typename... Arguments>
  static void* operator new(std::size_t taille, Proprietaire& proprietaire, Arguments&&...) {
    return proprietaire.Reserve().Prendre(taille);
  }
  static void operator delete(void* cadre) { ReserveCadres::Rendre(cadre); }

  std::suspend_always initial_suspend() const noexcept { return {}; }
  struct Fin {
    bool await_ready() const noexcept { return false; }
    template <typename Promesse>
    std::coroutine_handle<> await_suspend(std::coroutine_handle<Promesse> h) const noexcept {
      const auto suite = h.promise().suite;
      return suite ? suite : std::noop_coroutine();
    }
    void await_resume() const noexcept {}
  };
  Fin final_suspend() const noexcept { return {}; }
  [[noreturn]] void unhandled_exception() const noexcept { std::terminate(); }
};

template <typename T>
struct Promesse : PromesseBase {
  T valeur{};
  Tache<T> get_return_object();
  void return_value(T v) { valeur = std::move(v); }
  T Resultat() { return std::move(valeur); }
};

template <>
struct Promesse<void> : PromesseBase {
  Tache<void> get_return_object();
  void return_void() const {}
  void Resultat() const {}
};

template <typename T = void>
class [[nodiscard]] Tache {
 public:
  using promise_type = Promesse<T>;
  using Poignee = std::coroutine_handle<promise_type>;

  Tache() = default;
  explicit Tache(Poignee h) : h_(h) {}
  Tache(Tache&& autre) noexcept : h_(std::exchange(autre.h_, {})) {}
  Tache& operator=(Tache&& autre) noexcept {
    if (this != &autre) {
      Detruire();
      h_ = std::exchange(autre.h_, {});
    }
    return *this;
  }
  ~Tache() { Detruire(); }

  // Awaited: the task runs until its end, then its caller goes on.
  bool await_ready() const noexcept { return false; }
  std::coroutine_handle<> await_suspend(std::coroutine_handle<> appelant) noexcept {
    h_.promise().suite = appelant;
    return h_;
  }
  T await_resume() { return h_.promise().Resultat(); }

  // The outermost task is started and ended by hand.
  void Demarrer() { h_.resume(); }
  bool Finie() const { return !h_ || h_.done(); }

 private:
  void Detruire() {
    if (h_) h_.destroy();
    h_ = {};
  }
  Poignee h_;
};

template <typename T>
Tache<T> Promesse<T>::get_return_object() {
  return Tache<T>(std::coroutine_handle<Promesse<T>>::from_promise(*this));
}
inline Tache<void> Promesse<void>::get_return_object() {
  return Tache<void>(std::coroutine_handle<Promesse<void>>::from_promise(*this));
}

}  // namespace vestral::detail
