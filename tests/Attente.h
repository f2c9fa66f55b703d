// What the tests of threads and servers share: waiting for a condition
// another thread or process makes true, and a free loopback port.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <thread>

namespace vestral::test {

// Waits for `condition`; false after 10 s.
template <typename Condition>
bool Attendre(Condition condition) {
  using namespace std::chrono_literals;
  const auto limite = std::chrono::steady_clock::now() + 10s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > limite) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

// A free loopback port of the given socket type (SOCK_STREAM, SOCK_DGRAM):
// bound, then given back.
inline uint16_t Port_loopback_libre(int type) {
  const int fd = ::socket(AF_INET, type, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t l = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &l);
  ::close(fd);
  return ntohs(a.sin_port);
}

}  // namespace vestral::test
