# Sourced by the benchmark scripts: builds one benchmark program and runs it under Wine
# on each architecture this machine runs. A report, not a test.
source "$(dirname "${BASH_SOURCE[0]}")/../tools/common.sh"

run_benchmark() {  # run_benchmark WHAT PROGRAM [ARGS...]
  local what=$1 program=$2
  shift 2
  detect_architectures testing
  start_services own-display
  for arch in "${RUN_ARCHS[@]}"; do
    ready_arch "$arch"
    say "Timing $what ($ARCH)"
    (cd "$BUILD_DIR" && ./wine-exec.sh "bin/$program" "$@")
  done
}
