# -*- coding: utf-8 -*-
network(net_1).
symbol(net_1, "a").
symbol(net_1, "b").
arc(net_1, 0, 1, "a").
arc(net_1, 1, 2, "b").
final(net_1, 2).
network(net_2).
symbol(net_2, "c").
symbol(net_2, "d").
arc(net_2, 0, 1, "c":"d").
arc(net_2, 1, 1, "c":"d").
final(net_2, 1).
