# Turns a license's short name in Debian's copyright format into its SPDX identifier, one a line;
# read with sed -E -f by cmake/third_party_notices.sh and the package test.
s/^BSD-([0-9])-clause.*/BSD-\1-Clause/
s/^Expat$/MIT/
s/ with (LLVM) exception$/ WITH \1-exception/
