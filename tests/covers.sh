# Sourced by the package tests, which define $work and fail().
# covers FILE NOTICE: fails unless every line of NOTICE (doc/third-party) stands in FILE, as a line
# of its own, white space at either end, line ends and copyright-format blank lines aside.
covers() {
  normal() { sed 's/\r$//; s/^[[:space:]]*//; s/[[:space:]]*$//; /^\.\{0,1\}$/d' "$1"; }
  normal "$1" >"$work/have"
  ! normal "$2" | grep -vxFf "$work/have" >"$work/lost" || fail "$1 lacks the notice $(basename "$2"): $(head -n 1 "$work/lost")"
}
