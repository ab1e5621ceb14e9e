// The classroom view's words in Spanish, the program's own language.
export default {
    title: "Brisqual: el teorema del valor medio para integrales",
    instruction: "Arrastre la curva roja hacia arriba o hacia abajo y vea cómo la línea verde, su valor medio, iguala las áreas por encima y por debajo.",
    tools: "Herramientas", undo: "Deshacer", redo: "Rehacer", reset: "Curva plana", copyLink: "Copiar enlace",
    savePicture: "Guardar imagen", help: "Ayuda", classic: "Vista clásica", language: "English",
    plot: "Gráfica de la curva", plotRole: "gráfica interactiva",
    legendTitle: "Leyenda", legendCurve: "roja: la función f", legendIntegral: "amarilla: su integral acumulada",
    legendMean: "verde: su valor medio", meanLabel: "Valor medio:", presets: "Curvas preparadas",
    presetNames: ["Una colina suave", "Una onda", "Elevada entera", "Una meseta", "Arriba y abajo"],
    shapes: "Forma del arrastre", shapeNames: ["Meseta", "Colina", "Triángulo", "Curva entera"], width: "Anchura",
    samples: n => n + " muestras",
    close: "Cerrar", helpTitle: "Ayuda",
    flat: "La curva es plana: f vale 0 en todo el intervalo.",
    raised: "elevada", lowered: "hundida", from: "de x = ", to: " a x = ", blocks: "La curva está ",
    more: n => " y " + n + " tramos más", and: "; ",
    onMean: "La curva coincide con la línea del valor medio.",
    meets: n => "La curva corta la línea del valor medio " + (n === 1 ? "1 vez." : n + " veces."),
    meanIs: "Valor medio ", announceMean: "valor medio ",
    sample: (k, x, f) => "muestra " + k + ": x = " + x + ", f = " + f,
    copied: "Enlace copiado.", notCopied: "El navegador no permitió usar el portapapeles; copie la dirección de la barra.",
    linkTooLong: "Esta curva es demasiado larga para un enlace (más de 2 MiB): no hay enlace que copiar. Guarde una imagen en su lugar.",
    badLink: "El enlace no se pudo leer; la curva de la pantalla se queda.",
    badLinkFlat: "El enlace no se pudo leer; la curva empieza plana. La barra de direcciones guarda el enlace, para corregirlo.",
    tooLong: "La curva es demasiado larga para un enlace; la barra de direcciones guarda la anterior.",
    addressRefused: "El navegador no aceptó la curva en la barra de direcciones; se vuelve a intentar. Hasta entonces, recargar pierde los últimos cambios.",
    pictureFailed: "No se pudo crear o guardar la imagen.",
    pictureInFrame: "Si no empezó la descarga, la página que contiene a esta bloquea las descargas: abra Brisqual en una pestaña propia para guardar la imagen.",
    picture: "brisqual.png",
    helpText: `<p><b>El teorema.</b> Si f es continua en [a, b], hay un punto c donde f(c) es igual a su valor medio, la integral de f de a a b dividida por b − a. En la gráfica: la línea verde está a la altura del valor medio; el área de la curva roja por encima de ella iguala el área por debajo, y la curva roja la corta o la toca al menos una vez.</p>
<p><b>Qué puede hacer.</b> Arrastre la curva roja: se mueven con ella las muestras marcadas bajo el puntero. Elija cómo: una meseta, una colina suave, un triángulo o la curva entera, y con qué anchura. La curva amarilla es la integral desde 0. Deshaga y rehaga arrastres enteros, vuelva a la curva plana, o empiece con una curva preparada. La dirección de la página guarda la curva: recárguela, márquela o compártala con «Copiar enlace».</p>
<p><b>Con el teclado</b> (sobre la gráfica):</p>
<table><tr><th>← →</th><td>muestra anterior o siguiente (con Mayús: diez)</td></tr>
<tr><th>Inicio, Fin</th><td>primera o última muestra</td></tr>
<tr><th>↑ ↓</th><td>sube o baja el tramo un paso (con Mayús, o RePág y AvPág: diez pasos)</td></tr>
<tr><th>Ctrl+Z, Ctrl+Y</th><td>deshacer, rehacer</td></tr>
<tr><th>Esc</th><td>cierra esta ayuda</td></tr></table>`
};
