#!/usr/bin/env python3
"""Turns the orders measured by measure_windows_order.exe into the compact test
table tests/platform/data/windows_order.txt.

The measured "single" order (every CP932 character alone) is kept whole. Each
order of two-character names (a first character followed by each second
character) is written as the edits that turn the single order of the second
characters into it: "m C P R" moves C to right after P with relation R to P
("<" greater, "=" equal; P "-" is the first character alone), "r C R" sets the
relation of C to the one before it. First characters whose orders need the
same edits share one block. Characters are CP932 bytes in hex.

Usage: compact.py MEASURED.txt TABLE.txt
"""
import sys
from bisect import bisect_left
from collections import OrderedDict


def read_blocks(path):
    blocks = []
    title, items = None, []
    with open(path, encoding='ascii') as f:
        for line in f:
            line = line.rstrip('\r\n')
            if not line:
                continue
            if line[0] in '<=':
                items.append((line[0], line[1:]))
            else:
                if title is not None:
                    blocks.append((title, items))
                title, items = line, []
    if title is not None:
        blocks.append((title, items))
    return blocks


def lis_keep(ranks):
    """Indices of one longest increasing subsequence of ranks."""
    tails, tail_idx, prev = [], [], [-1] * len(ranks)
    for i, r in enumerate(ranks):
        k = bisect_left(tails, r)
        if k == len(tails):
            tails.append(r); tail_idx.append(i)
        else:
            tails[k] = r; tail_idx[k] = i
        prev[i] = tail_idx[k - 1] if k > 0 else -1
    keep, i = set(), tail_idx[-1] if tail_idx else -1
    while i >= 0:
        keep.add(i); i = prev[i]
    return keep


def edits(base, measured):
    """base, measured: lists of (rel, item); item '-' is the first character alone."""
    rank = {item: i for i, (_, item) in enumerate(base)}
    items = [item for _, item in measured]
    keep = lis_keep([rank[x] for x in items])
    kept = {items[i] for i in keep}
    out = []
    # Reconstruct as the reader will, to find the relations to fix.
    recon = [(rel, item) for rel, item in base if item in kept]
    for i, (rel, item) in enumerate(measured):
        if i not in keep:
            out.append(('m', item, items[i - 1] if i > 0 else '^', rel))
    pos = {item: i for i, (_, item) in enumerate(recon)}
    seq = [item for _, item in recon]
    for kind, item, after, rel in out:
        j = 0 if after == '^' else seq.index(after) + 1
        seq.insert(j, item)
    base_rel = {item: rel for rel, item in base}
    base_prev = {}
    for i, (_, item) in enumerate(base):
        base_prev[item] = base[i - 1][1] if i > 0 else None
    moved = {e[1] for e in out}
    assert seq == items, 'reconstruction failed'
    for i, (rel, item) in enumerate(measured):
        default = base_rel[item] if (item not in moved and i > 0 and seq[i - 1] == base_prev[item]) else '<'
        if item in moved:
            continue
        if i == 0:
            default = '<'
        if rel != default:
            out.append(('r', item, rel))
    return out


def main():
    blocks = read_blocks(sys.argv[1])
    single = dict(blocks)['single']
    single_items = [item for _, item in single]
    groups = OrderedDict()
    words = None
    for title, items in blocks:
        if title == 'words':
            words = items
            continue
        if title == 'single':
            continue
        kind, first = title.split()
        suffixes = [(rel, item[len(first):] or '-') for rel, item in items]
        present = {s for _, s in suffixes}
        base = [('<', '-')] + [(r, s) for r, s in single if s in present]
        # Relations in the base are those of the single order between kept neighbours;
        # a neighbour missing in the reference set breaks them: recompute from single.
        if kind == 'after-any':
            base2, prev_index = [('<', '-')], None
            index = {s: i for i, s in enumerate(single_items)}
            for r, s in single:
                if s not in present:
                    continue
                i = index[s]
                rel = '<'
                if prev_index is not None and all(single[k][0] == '=' for k in range(prev_index + 1, i + 1)):
                    rel = '='
                base2.append((rel, s))
                prev_index = i
            base = base2
        key = (kind, tuple(edits(base, suffixes)))
        groups.setdefault(key, []).append(first)
    with open(sys.argv[2], 'w', encoding='ascii') as f:
        f.write('# CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE) on code page 932, measured\n'
                '# under Wine by tools/collation/measure.sh; format: tools/collation/compact.py.\n')
        f.write('single\n')
        for rel, item in single:
            f.write(rel + item + '\n')
        for (kind, eds), firsts in groups.items():
            f.write('%s %s\n' % (kind, ' '.join(firsts)))
            for e in eds:
                f.write(' '.join(e) + '\n')
        f.write('words\n')
        for rel, item in words:
            f.write(rel + item + '\n')
    print('%d blocks in %d groups' % (sum(len(v) for v in groups.values()), len(groups)))


if __name__ == '__main__':
    main()
