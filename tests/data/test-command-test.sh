#!/bin/sh
# test-command-test.sh: ./test.sh builds and runs the whole suite whatever ./run.sh left in the
# build folder, and fails when no test ran. cmake and dpkg-query are stand-ins that record what
# they were asked; ctest is the real one, over a build folder that holds no test.
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
fail() {
  echo "test-command-test.sh: $*" >&2
  exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/tools" "$work/build"
cat >"$work/tools/cmake" <<STANDIN
#!/bin/sh
echo "\$*" >>"$work/cmake.log"
STANDIN
cat >"$work/tools/dpkg-query" <<'STANDIN'
#!/bin/sh
printf 'install ok installed'
STANDIN
chmod +x "$work/tools/cmake" "$work/tools/dpkg-query"

status=0
PATH="$work/tools:$PATH" TAVURO_BUILD_DIR="$work/build" "$top/test.sh" >"$work/output" 2>&1 || status=$?
[ "$status" -ne 0 ] || fail "test.sh succeeded although no test ran: $(cat "$work/output")"
grep -q "No tests were found" "$work/output" || fail "ctest did not say why: $(cat "$work/output")"
# The configure switches the tests on and builds every part, whatever the folder held before.
configure=$(head -n 1 "$work/cmake.log")
case "$configure" in
*-DTAVURO_TESTS=ON*-UTAVURO_PARTS*) ;;
*) fail "test.sh configures without the tests: $configure" ;;
esac
grep -q -- "--build $work/build" "$work/cmake.log" || fail "test.sh did not build"
echo "test-command-test.sh: test.sh forces the suite on and fails without tests"
