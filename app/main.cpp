// Placeholder; the command line lands with the foundation work.
#include <cstdio>

int main() {
  std::puts("nurumo");
  return 0;
}
