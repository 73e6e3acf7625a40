#!/usr/bin/env bash
# Checks that the program's folders depend on each other downward only (includes and
# CMake links), and that no files include each other in a circle. Prints every fault it finds, naming the files and lines,
# and exits 1 when there is one.
#
# Usage: check-layers.sh [ROOT]   (default: the checkout this script is in)
#
# Layers, lowest first: platform, output, library, pickwindow, app. A file may include
# files of its own folder and of the folders below it. Tests, end-to-end tests,
# benchmarks, tools and fuzz targets stand outside the layers and are not read.
#
# A folder's CMake libraries link nothing of a higher folder either: each library belongs
# to the folder whose CMakeLists.txt adds it.
#
# A circle is found between rooms: a header and the source of the same name are one room
# (library/PhraseEditing.h and .cpp), because each source includes its own header. Room A
# leads to room B when a file of A includes a file of B.
set -eu
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
find platform output library pickwindow app -type f \( -name '*.h' -o -name '*.cpp' \) | LC_ALL=C sort |
    perl -e '
use strict;
use warnings;
my @layers = qw(platform output library pickwindow app);
my %rank;
@rank{@layers} = (0 .. $#layers);
my (@faults, %leads, %seen);
while (my $file = <STDIN>) {
    chomp $file;
    my ($folder) = $file =~ m{^([^/]+)/};
    (my $room = $file) =~ s/\.(h|cpp)$//;
    $seen{$room} = 1;
    open(my $in, "<", $file) or die "cannot read $file: $!\n";
    while (my $line = <$in>) {
        next unless $line =~ /^\s*#\s*include\s*"([^"]+)"/;
        my $included = $1;
        # An include without a folder is found beside the including file.
        if ($included !~ m{/}) {
            (my $dir = $file) =~ s{/[^/]+$}{};
            $included = "$dir/$included";
        }
        my ($to) = $included =~ m{^([^/]+)/};
        next unless defined $to && exists $rank{$to};
        if ($rank{$to} > $rank{$folder}) {
            push @faults, "upward include: $file:$. includes $included ($folder may include nothing from $to)";
        }
        (my $target = $included) =~ s/\.(h|cpp)$//;
        next if $target eq $room;
        push @{ $leads{$room}{$target} }, "$file:$. includes $included";
    }
    close $in;
}

# Links: a library of a folder may link libraries of its own folder and of those below it.
my %owner;
for my $folder (@layers) {
    open(my $in, "<", "$folder/CMakeLists.txt") or next;
    my $text = do { local $/; <$in> };
    $owner{$_} = $folder for $text =~ /\badd_library\(\s*([\w-]+)/g;
}
for my $folder (@layers) {
    open(my $in, "<", "$folder/CMakeLists.txt") or next;
    my $text = do { local $/; <$in> };
    while ($text =~ /\btarget_link_libraries\(\s*([\w-]+)([^)]*)\)/g) {
        my ($target, $linked) = ($1, $2);
        my $line = 1 + (() = substr($text, 0, $-[0]) =~ /\n/g);
        for my $library ($linked =~ /([\w-]+)/g) {
            my $to = $owner{$library};
            push @faults, "upward link: $folder/CMakeLists.txt:$line links $target to $library ($folder may link nothing of $to)"
                if defined $to && $rank{$to} > $rank{$folder};
        }
    }
}

# Circles: the strongly connected rooms (Tarjan), each named with the includes that tie it.
my ($index, %order, %low, %onStack, @stack, @circles) = (0);
my $visit;
$visit = sub {
    my ($room) = @_;
    $order{$room} = $low{$room} = $index++;
    push @stack, $room;
    $onStack{$room} = 1;
    for my $next (sort keys %{ $leads{$room} || {} }) {
        next unless $seen{$next};
        if (!exists $order{$next}) {
            $visit->($next);
            $low{$room} = $low{$next} if $low{$next} < $low{$room};
        } elsif ($onStack{$next}) {
            $low{$room} = $order{$next} if $order{$next} < $low{$room};
        }
    }
    if ($low{$room} == $order{$room}) {
        my @members;
        while (1) {
            my $member = pop @stack;
            delete $onStack{$member};
            push @members, $member;
            last if $member eq $room;
        }
        push @circles, [sort @members] if @members > 1;
    }
};
for my $room (sort keys %seen) {
    $visit->($room) unless exists $order{$room};
}
for my $circle (@circles) {
    my %in = map { $_ => 1 } @$circle;
    my @ties;
    for my $from (@$circle) {
        for my $to (sort keys %{ $leads{$from} || {} }) {
            push @ties, map { "    $_" } @{ $leads{$from}{$to} } if $in{$to};
        }
    }
    push @faults, join("\n", "include circle: " . join(" -> ", @$circle), @ties);
}

if (@faults) {
    print "$_\n" for @faults;
    printf "%d layering fault(s): platform < output < library < pickwindow < app, and no circles\n",
        scalar @faults;
    exit 1;
}
print "layers hold: every include and link points down or sideways, no include circle\n";
'
