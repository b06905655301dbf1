IN;SP1;PU10,10;PE<=GÂGÂcÀ¿¿ü:ÃÔ¿>Á
ç¿7t_;PU;
