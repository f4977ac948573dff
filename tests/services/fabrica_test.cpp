#include "Fabrica.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <typeinfo>

using namespace rtqx5;

namespace {

class FabricaTest : public ::testing::Test {
protected:
    void TearDown() override { Fabrica::Instancia().Restablece(); }
    GrabadorMensajes grabador;
};

struct ClaseEsperada {
    const char* clase; // as a caller spells it
    std::function<bool(const Componente&)> esDelTipo;
};

template <class T> std::function<bool(const Componente&)> Tipo() {
    return [](const Componente& c) { return dynamic_cast<const T*>(&c) != nullptr; };
}

class FabricaClases : public FabricaTest, public ::testing::WithParamInterface<ClaseEsperada> {};

} // namespace

TEST_P(FabricaClases, CreaCadaClaseSinDistinguirMayusculas) {
    const auto& p = GetParam();
    std::shared_ptr<Componente> obj;
    ASSERT_TRUE(CreaObjetoGenerico(obj, p.clase, "rtqx5"));
    ASSERT_TRUE(obj);
    EXPECT_TRUE(p.esDelTipo(*obj)) << p.clase << " dio " << typeid(*obj).name();
    EXPECT_TRUE(grabador.cajas.empty());
}

INSTANTIATE_TEST_SUITE_P(Todas, FabricaClases,
                         ::testing::Values(ClaseEsperada{"libRTSA", Tipo<libRTSA>()},
                                           ClaseEsperada{"LibRTSA", Tipo<libRTSA>()},
                                           ClaseEsperada{"Plugins", Tipo<Plugins>()},
                                           ClaseEsperada{"BasesDD", Tipo<BasesDD>()},
                                           ClaseEsperada{"BASESDD", Tipo<BasesDD>()},
                                           ClaseEsperada{"Utilerias", Tipo<Utilerias>()},
                                           ClaseEsperada{"DeArchivos", Tipo<DeArchivos>()},
                                           ClaseEsperada{"dearchivos", Tipo<DeArchivos>()},
                                           ClaseEsperada{"DelRegistro", Tipo<DelRegistro>()},
                                           ClaseEsperada{"DeControles", Tipo<DeControles>()},
                                           ClaseEsperada{"DeAcceso", Tipo<DeAcceso>()}),
                         [](const ::testing::TestParamInfo<ClaseEsperada>& i) {
                             return std::string(i.param.clase) + "_" + std::to_string(i.index);
                         });

TEST_F(FabricaTest, ElPrefijoTampocoDistingueMayusculas) {
    std::shared_ptr<DelRegistro> reg;
    EXPECT_TRUE(CreaObjeto(reg, "DelRegistro", "RTQX5"));
    EXPECT_TRUE(reg);
}

TEST_F(FabricaTest, ClaseDesconocidaMuestraAlertaYDejaLaReferencia) {
    auto previo = std::make_shared<Utilerias>();
    std::shared_ptr<Utilerias> destino = previo;
    EXPECT_FALSE(CreaObjeto(destino, "Utilidades", "rtqx5"));
    EXPECT_EQ(destino, previo);
    ASSERT_EQ(grabador.cajas.size(), 1u);
    EXPECT_EQ(grabador.cajas[0].texto, "Error nº 429, El componente ActiveX no puede crear el "
                                       "objeto\r\nIntentanto crear \"rtqx5.Utilidades\"");
    EXPECT_EQ(grabador.cajas[0].estilo, vbCritical);
    EXPECT_EQ(grabador.cajas[0].titulo, "Alerta");
}

TEST_F(FabricaTest, OtroPrefijoNoEsDeLaBiblioteca) {
    std::shared_ptr<Componente> obj;
    EXPECT_FALSE(CreaObjetoGenerico(obj, "libRTSA", "otra"));
    EXPECT_FALSE(obj);
    ASSERT_EQ(grabador.cajas.size(), 1u);
    EXPECT_NE(grabador.cajas[0].texto.find("Intentanto crear \"otra.libRTSA\""), std::string::npos);
}

TEST_F(FabricaTest, FalloProvocadoSeInformaConSuNumeroHastaRestablecer) {
    Fabrica::Instancia().HazFallar("RTQX5.deARCHIVOS", 70, "Permiso denegado");
    auto previo = std::make_shared<DeArchivos>();
    std::shared_ptr<DeArchivos> destino = previo;
    EXPECT_FALSE(CreaObjeto(destino, "DeArchivos", "rtqx5"));
    EXPECT_EQ(destino, previo);
    ASSERT_EQ(grabador.cajas.size(), 1u);
    EXPECT_EQ(grabador.cajas[0].texto,
              "Error nº 70, Permiso denegado\r\nIntentanto crear \"rtqx5.DeArchivos\"");
    EXPECT_EQ(grabador.cajas[0].titulo, "Alerta");

    // Other classes are not affected; after Restablece the class is made again.
    std::shared_ptr<Utilerias> u;
    EXPECT_TRUE(CreaObjeto(u, "Utilerias", "rtqx5"));
    Fabrica::Instancia().Restablece();
    EXPECT_TRUE(CreaObjeto(destino, "DeArchivos", "rtqx5"));
    EXPECT_NE(destino, previo);
    EXPECT_EQ(grabador.cajas.size(), 1u);
}

TEST_F(FabricaTest, CadaLlamadaCreaUnObjetoNuevo) {
    std::shared_ptr<BasesDD> a, b;
    ASSERT_TRUE(CreaObjeto(a, "BasesDD", "rtqx5"));
    ASSERT_TRUE(CreaObjeto(b, "BasesDD", "rtqx5"));
    EXPECT_NE(a, b);
}
