// A small disk for real: a tmpfs of a few kilobytes, or a read-only one,
// mounted in a mount namespace private to this test process (made once,
// inside a user namespace when not root), so that nothing shows outside.
// Where the system allows neither, Monter answers why and the test skips.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace vestral::test {

class DisqueLimite {
 public:
  DisqueLimite() = default;
  DisqueLimite(const DisqueLimite&) = delete;
  DisqueLimite& operator=(const DisqueLimite&) = delete;
  ~DisqueLimite() {
    if (monte_) ::umount2(dossier.c_str(), MNT_DETACH);
    if (!dossier.empty()) ::rmdir(dossier.c_str());
  }

  // Mounts an empty tmpfs of `octets` bytes; empty answer on success.
  std::string Monter(std::size_t octets) {
    if (const std::string raison = Espace_prive(); !raison.empty()) return raison;
    std::string modele =
        (std::filesystem::temp_directory_path() / "vestral-disque-XXXXXX").string();
    if (!::mkdtemp(modele.data())) return std::string("mkdtemp : ") + std::strerror(errno);
    dossier = modele;
    const std::string options = "size=" + std::to_string(octets) + ",mode=0777";
    if (::mount("tmpfs", dossier.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
      return std::string("mount tmpfs : ") + std::strerror(errno);
    monte_ = true;
    return {};
  }

  // Makes the mounted disk read-only (its files stay readable).
  std::string Lecture_seule() {
    if (::mount(nullptr, dossier.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
                nullptr) != 0)
      return std::string("remount ro : ") + std::strerror(errno);
    return {};
  }

  // Fills the disk to the last byte with a file of its own.
  void Remplir() {
    std::ofstream f(dossier / ".remplissage", std::ios::binary);
    const std::string bloc(512, 'x');
    while (f.write(bloc.data(), static_cast<std::streamsize>(bloc.size()))) {
    }
    f.close();
    std::ofstream g(dossier / ".remplissage2", std::ios::binary);
    while (g.put('x')) {
    }
  }

  std::filesystem::path dossier;

 private:
  static std::string Espace_prive() {
    static const std::string raison = []() -> std::string {
      if (::geteuid() == 0) {
        if (::unshare(CLONE_NEWNS) != 0) return std::string("unshare : ") + std::strerror(errno);
      } else {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
          return std::string("unshare : ") + std::strerror(errno);
        auto Ecrire = [](const char* chemin, const std::string& texte) {
          std::ofstream f(chemin);
          f << texte;
          return static_cast<bool>(f.flush());
        };
        if (!Ecrire("/proc/self/setgroups", "deny") ||
            !Ecrire("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !Ecrire("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
          return "uid_map refusé";
      }
      if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("mount private : ") + std::strerror(errno);
      return {};
    }();
    return raison;
  }

  bool monte_ = false;
};

}  // namespace vestral::test
